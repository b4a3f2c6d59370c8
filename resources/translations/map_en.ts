<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Google Maps needs an access key: enter it under File ▸ Preferences…, or choose Setting ▸ OpenStreetMap.</source>
        <translation>Google Maps needs an access key: enter it under File ▸ Preferences…, or choose Setting ▸ OpenStreetMap.</translation>
    </message>
    <message>
        <source>Google Maps could not be loaded. Check the internet connection and the access key, or choose OpenStreetMap in the Map menu.</source>
        <translation>Google Maps could not be loaded. Check the internet connection and the access key, or choose Setting ▸ OpenStreetMap.</translation>
    </message>
    <message>
        <source>Enlarge map</source>
        <translation>Enlarge map</translation>
    </message>
    <message>
        <source>Restore map</source>
        <translation>Restore map</translation>
    </message>
    <message>
        <source>This file or folder cannot be read.</source>
        <translation>This file or folder cannot be read.</translation>
    </message>
    <message>
        <source>This file is not an MBTiles map: it is not an SQLite database, or it is damaged.</source>
        <translation>This file is not an MBTiles map: it is not an SQLite database, or it is damaged.</translation>
    </message>
    <message>
        <source>This file is an SQLite database but holds no map tiles.</source>
        <translation>This file is an SQLite database but holds no map tiles.</translation>
    </message>
    <message>
        <source>This MBTiles file holds vector tiles (pbf); only raster maps (PNG or JPEG tiles) can be shown.</source>
        <translation>This MBTiles file holds vector tiles (pbf); only raster maps (PNG or JPEG tiles) can be shown.</translation>
    </message>
    <message>
        <source>This folder holds no map tiles (zoom/x/y.png).</source>
        <translation>This folder holds no map tiles (zoom/x/y.png).</translation>
    </message>
    <message>
        <source>Offline Maps</source>
        <translation>Offline Maps</translation>
    </message>
    <message>
        <source>Offline Maps…</source>
        <translation>Offline Maps…</translation>
    </message>
    <message>
        <source>Maps on this computer are used before the internet: raster MBTiles files and folders of zoom/x/y.png tiles.</source>
        <translation>Maps on this computer are used before the internet: raster MBTiles files and folders of zoom/x/y.png tiles.</translation>
    </message>
    <message>
        <source>Use online maps</source>
        <translation>Use online maps</translation>
    </message>
    <message>
        <source>Add File…</source>
        <translation>Add File…</translation>
    </message>
    <message>
        <source>Add Folder…</source>
        <translation>Add Folder…</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Add an MBTiles file</source>
        <translation>Add an MBTiles file</translation>
    </message>
    <message>
        <source>MBTiles maps (*.mbtiles);;All files (*)</source>
        <translation>MBTiles maps (*.mbtiles);;All files (*)</translation>
    </message>
    <message>
        <source>Add a tile folder</source>
        <translation>Add a tile folder</translation>
    </message>
    <message>
        <source>Keep map tiles seen online up to:</source>
        <translation>Keep map tiles seen online up to:</translation>
    </message>
    <message>
        <source>0 MB keeps no tiles.</source>
        <translation>0 MB keeps no tiles.</translation>
    </message>
    <message>
        <source>This MBTiles file does not keep its tiles in a plain table (they are a view); only files that do can be shown.</source>
        <translation>This MBTiles file does not keep its tiles in a plain table (they are a view); only files that do can be shown.</translation>
    </message>
    <message>
        <source>Reading this MBTiles file takes too long; it may be damaged.</source>
        <translation>Reading this MBTiles file takes too long; it may be damaged.</translation>
    </message>
    <message>
        <source>Offline map: no internet connection.</source>
        <translation>Offline map: no internet connection.</translation>
    </message>
    <message>
        <source>Checking %1…</source>
        <translation>Checking %1…</translation>
    </message>
    <message>
        <source>checking…</source>
        <translation>checking…</translation>
    </message>
</context>
</TS>
