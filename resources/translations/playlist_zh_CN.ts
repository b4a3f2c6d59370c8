<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message>
        <source>No.</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>Time &amp; Date</source>
        <translation>时间和日期</translation>
    </message>
    <message>
        <source>Protected</source>
        <translation>受保护</translation>
    </message>
    <message>
        <source>playlist_add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>playlist_remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>playlist_add_tip</source>
        <translation>将视频文件添加到播放列表</translation>
    </message>
    <message>
        <source>playlist_remove_tip</source>
        <translation>从播放列表中移除当前文件</translation>
    </message>
    <message>
        <source>playlist_reading_files</source>
        <translation>正在读取文件：%1 / %2</translation>
    </message>
</context>
</TS>
