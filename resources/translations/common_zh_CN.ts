<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>km_speedUnit</source>
        <translation>KM/H</translation>
    </message>
    <message>
        <source>mph_speedUnit</source>
        <translation>MPH</translation>
    </message>
    <message>
        <source>km_distanceUnit</source>
        <translation>公里</translation>
    </message>
    <message>
        <source>mile_distanceUnit</source>
        <translation>英里</translation>
    </message>
    <message>
        <source>setting</source>
        <translation>偏好设置</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>capture_fail</source>
        <translation>截图失败</translation>
    </message>
    <message>
        <source>   Map not available, please check your,internet connection and / or select an alternative map from the , Setting menu.</source>
        <translation>地图不可用，请检查您的网络连接，
和/或选择其他地图：
“设置 ▸ 谷歌地图”或“设置 ▸ OpenStreetMap 地图”。</translation>
    </message>
    <message>
        <source>%1 is not a file that can be opened.</source>
        <translation>%1 不是可以打开的文件。</translation>
    </message>
    <message>
        <source>not a video file but a device, pipe or socket</source>
        <translation>不是视频文件，而是设备、管道或套接字</translation>
    </message>
    <message>
        <source>%1 was not added: %2</source>
        <translation>%1 未添加：%2</translation>
    </message>
</context>
<context>
    <name>InfoPlist</name>
    <message>
        <source>CFBundleDisplayName</source>
        <translation>Veltra 播放器</translation>
    </message>
    <message><source>%1 holds no recordings (.MOV, .MP4).</source><translation>%1 中没有录像 (.MOV, .MP4)。</translation></message>
</context>
</TS>
