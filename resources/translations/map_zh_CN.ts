<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message>
        <source>Google Maps needs an access key. Put it under "google_maps_api_key" in the settings, or choose OpenStreetMap in the Map menu.</source>
        <translation>谷歌地图需要访问密钥。请在设置中的“google_maps_api_key”下填写密钥，或选择“设置 ▸ OpenStreetMap 地图”。</translation>
    </message>
    <message>
        <source>Google Maps could not be loaded. Check the internet connection and the access key, or choose OpenStreetMap in the Map menu.</source>
        <translation>无法加载谷歌地图。请检查网络连接和访问密钥，或选择“设置 ▸ OpenStreetMap 地图”。</translation>
    </message>
    <message>
        <source>Enlarge map</source>
        <translation>放大地图</translation>
    </message>
    <message>
        <source>Restore map</source>
        <translation>还原地图</translation>
    </message>
</context>
</TS>
