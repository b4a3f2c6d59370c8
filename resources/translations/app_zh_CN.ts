<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message><source>menu_file</source><translation>文件</translation></message>
    <message><source>menu_open</source><translation>打开视频…</translation></message>
    <message><source>menu_export_track</source><translation>导出轨迹…</translation></message>
    <message><source>export_nothing</source><translation>没有可导出的片段</translation></message>
    <message><source>export_done</source><translation>轨迹已导出</translation></message>
    <message><source>export_failed</source><translation>导出失败：%1</translation></message>
    <message><source>menu_preferences</source><translation>偏好设置…</translation></message>
    <message><source>menu_quit</source><translation>退出 Veltra Player</translation></message>
    <message><source>menu_setting</source><translation>设置</translation></message>
    <message><source>menu_kmh</source><translation>速度单位 公里/小时</translation></message>
    <message><source>menu_mph</source><translation>速度单位 英里/小时</translation></message>
    <message><source>menu_google_map</source><translation>谷歌地图</translation></message>
    <message><source>menu_openstreetmap</source><translation>OpenStreetMap 地图</translation></message>
    <message><source>menu_help</source><translation>帮助</translation></message>
    <message><source>menu_tutorial</source><translation>使用指南</translation></message>
    <message><source>menu_website</source><translation>Veltra 官网</translation></message>
    <message><source>menu_shop</source><translation>Veltra 商店</translation></message>
    <message><source>menu_version</source><translation>版本</translation></message>
    <message><source>menu_about</source><translation>关于 Veltra Player</translation></message>
    <message><source>menu_about_window</source><translation>关于窗口</translation></message>
    <message><source>open_panel_title</source><translation>打开行车记录仪视频</translation></message>
    <message><source>open_panel_filter</source><translation>视频</translation></message>
    <message><source>open_panel_all</source><translation>所有文件</translation></message>
    <message><source>pref_language</source><translation>语言：</translation></message>
    <message><source>pref_speed_unit</source><translation>速度单位：</translation></message>
    <message><source>pref_kmh</source><translation>公里/小时</translation></message>
    <message><source>pref_mph</source><translation>英里/小时</translation></message>
</context>
</TS>
