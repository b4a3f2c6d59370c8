<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Library</source>
        <translation>Library</translation>
    </message>
    <message>
        <source>Show Library</source>
        <translation>Show Library</translation>
    </message>
    <message>
        <source>Add Folder…</source>
        <translation>Add Folder…</translation>
    </message>
    <message>
        <source>From</source>
        <translation>From</translation>
    </message>
    <message>
        <source>To</source>
        <translation>To</translation>
    </message>
    <message>
        <source>Radius</source>
        <translation>Radius</translation>
    </message>
    <message>
        <source>Clear Place</source>
        <translation>Clear Place</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>Events</translation>
    </message>
    <message>
        <source>Protected only</source>
        <translation>Protected only</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>End</source>
        <translation>End</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Distance</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>Cameras</source>
        <translation>Cameras</translation>
    </message>
    <message>
        <source>All cameras</source>
        <translation>All cameras</translation>
    </message>
    <message>
        <source>Looking for clips: %1 found…</source>
        <translation>Looking for clips: %1 found…</translation>
    </message>
    <message>
        <source>Indexing %1 of %2 clips…</source>
        <translation>Indexing %1 of %2 clips…</translation>
    </message>
    <message>
        <source>%1 trips</source>
        <translation>%1 trips</translation>
    </message>
    <message>
        <source>No routes in this range</source>
        <translation>No routes in this range</translation>
    </message>
    <message>
        <source>Hard braking</source>
        <translation>Hard braking</translation>
    </message>
    <message>
        <source>Hard acceleration</source>
        <translation>Hard acceleration</translation>
    </message>
    <message>
        <source>Sharp turn</source>
        <translation>Sharp turn</translation>
    </message>
    <message>
        <source>Impact</source>
        <translation>Impact</translation>
    </message>
    <message>
        <source>Bump while parked</source>
        <translation>Bump while parked</translation>
    </message>
    <message>
        <source>Brake applied</source>
        <translation>Brake applied</translation>
    </message>
    <message>
        <source>Assistance disengaged</source>
        <translation>Assistance disengaged</translation>
    </message>
    <message>
        <source>The library is in use by another program. It was left as it is; try again when that program has finished.</source>
        <translation>The library is in use by another program. It was left as it is; try again when that program has finished.</translation>
    </message>
    <message>
        <source>The library file cannot be written. It is shown as it is, and no folder can be added to it.</source>
        <translation>The library file cannot be written. It is shown as it is, and no folder can be added to it.</translation>
    </message>
    <message>
        <source>The disk is full. The library keeps what it had; nothing was half written.</source>
        <translation>The disk is full. The library keeps what it had; nothing was half written.</translation>
    </message>
    <message>
        <source>The library file is damaged.</source>
        <translation>The library file is damaged.</translation>
    </message>
    <message>
        <source>The library file cannot be read or written (%1).</source>
        <translation>The library file cannot be read or written (%1).</translation>
    </message>
    <message>
        <source>The library could not be used (%1).</source>
        <translation>The library could not be used (%1).</translation>
    </message>
    <message>
        <source>There is no library at %1 yet, and it cannot be made there.</source>
        <translation>There is no library at %1 yet, and it cannot be made there.</translation>
    </message>
    <message>
        <source>This library was made by a newer version of Veltra Player (version %1 of its file). It was left as it is.</source>
        <translation>This library was made by a newer version of Veltra Player (version %1 of its file). It was left as it is.</translation>
    </message>
    <message>
        <source>The library file cannot be written and is of an older version. It was left as it is.</source>
        <translation>The library file cannot be written and is of an older version. It was left as it is.</translation>
    </message>
    <message>
        <source>The library file is damaged and cannot be replaced. It was left as it is.</source>
        <translation>The library file is damaged and cannot be replaced. It was left as it is.</translation>
    </message>
    <message>
        <source>The library file is damaged and cannot be put aside. It was left as it is.</source>
        <translation>The library file is damaged and cannot be put aside. It was left as it is.</translation>
    </message>
    <message>
        <source>The library file was damaged. It was put aside as %1 and the library is being built again.</source>
        <translation>The library file was damaged. It was put aside as %1 and the library is being built again.</translation>
    </message>
    <message>
        <source>Protected by the camera</source>
        <translation>Protected by the camera</translation>
    </message>
    <message>
        <source>%1 clips in the library folders (%2 read, %3 moved, %4 removed, %5 unchanged)</source>
        <translation>%1 clips in the library folders (%2 read, %3 moved, %4 removed, %5 unchanged)</translation>
    </message>
    <message>
        <source>, %1 skipped</source>
        <translation>, %1 skipped</translation>
    </message>
    <message>
        <source>, %1 folders not there</source>
        <translation>, %1 folders not there</translation>
    </message>
    <message>
        <source>, cancelled</source>
        <translation>, cancelled</translation>
    </message>
</context>
</TS>
