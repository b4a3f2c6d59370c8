<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message>
        <source>Google Maps needs an access key: enter it under File ▸ Preferences…, or choose Setting ▸ OpenStreetMap.</source>
        <translation>谷歌地图需要访问密钥：请在“文件 ▸ 偏好设置…”中填写，或选择“设置 ▸ OpenStreetMap 地图”。</translation>
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
    <message>
        <source>This file or folder cannot be read.</source>
        <translation>无法读取此文件或文件夹。</translation>
    </message>
    <message>
        <source>This file is not an MBTiles map: it is not an SQLite database, or it is damaged.</source>
        <translation>此文件不是 MBTiles 地图：它不是 SQLite 数据库，或者已损坏。</translation>
    </message>
    <message>
        <source>This file is an SQLite database but holds no map tiles.</source>
        <translation>此文件是 SQLite 数据库，但不含地图瓦片。</translation>
    </message>
    <message>
        <source>This MBTiles file holds vector tiles (pbf); only raster maps (PNG or JPEG tiles) can be shown.</source>
        <translation>此 MBTiles 文件包含矢量瓦片（pbf）；只能显示栅格地图（PNG 或 JPEG 瓦片）。</translation>
    </message>
    <message>
        <source>This folder holds no map tiles (zoom/x/y.png).</source>
        <translation>此文件夹中没有地图瓦片（zoom/x/y.png）。</translation>
    </message>
    <message>
        <source>Offline Maps</source>
        <translation>离线地图</translation>
    </message>
    <message>
        <source>Offline Maps…</source>
        <translation>离线地图…</translation>
    </message>
    <message>
        <source>Maps on this computer are used before the internet: raster MBTiles files and folders of zoom/x/y.png tiles.</source>
        <translation>优先使用本机上的地图：栅格 MBTiles 文件和 zoom/x/y.png 瓦片文件夹。</translation>
    </message>
    <message>
        <source>Use online maps</source>
        <translation>使用在线地图</translation>
    </message>
    <message>
        <source>Add File…</source>
        <translation>添加文件…</translation>
    </message>
    <message>
        <source>Add Folder…</source>
        <translation>添加文件夹…</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Add an MBTiles file</source>
        <translation>添加 MBTiles 文件</translation>
    </message>
    <message>
        <source>MBTiles maps (*.mbtiles);;All files (*)</source>
        <translation>MBTiles 地图 (*.mbtiles);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Add a tile folder</source>
        <translation>添加瓦片文件夹</translation>
    </message>
    <message>
        <source>Keep map tiles seen online up to:</source>
        <translation>在线看过的地图瓦片最多保留：</translation>
    </message>
    <message>
        <source>0 MB keeps no tiles.</source>
        <translation>0 MB 表示不保留瓦片。</translation>
    </message>
    <message>
        <source>This MBTiles file does not keep its tiles in a plain table (they are a view); only files that do can be shown.</source>
        <translation>此 MBTiles 文件没有把瓦片存放在普通数据表中（而是视图）；只能显示用数据表存放瓦片的文件。</translation>
    </message>
    <message>
        <source>Reading this MBTiles file takes too long; it may be damaged.</source>
        <translation>读取此 MBTiles 文件耗时过长，文件可能已损坏。</translation>
    </message>
    <message>
        <source>Offline map: no internet connection.</source>
        <translation>离线地图：没有网络连接。</translation>
    </message>
    <message>
        <source>Checking %1…</source>
        <translation>正在检查 %1…</translation>
    </message>
    <message>
        <source>checking…</source>
        <translation>正在检查…</translation>
    </message>
</context>
</TS>
