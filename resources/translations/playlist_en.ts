<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>No.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Filename</translation>
    </message>
    <message>
        <source>Time &amp; Date</source>
        <translation>Time &amp; Date</translation>
    </message>
    <message>
        <source>Protected</source>
        <translation>Protected</translation>
    </message>
    <message>
        <source>playlist_add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>playlist_remove</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>playlist_add_tip</source>
        <translation>Add video files to the play list</translation>
    </message>
    <message>
        <source>playlist_remove_tip</source>
        <translation>Remove the current file from the play list</translation>
    </message>
    <message>
        <source>playlist_reading_files</source>
        <translation>Reading files: %1 of %2</translation>
    </message>
    <message>
        <source>playlist_trip_one_clip</source>
        <translation>1 clip</translation>
    </message>
    <message>
        <source>playlist_trip_clips</source>
        <translation>%1 clips</translation>
    </message>
    <message>
        <source>playlist_trip_front</source>
        <translation>Front</translation>
    </message>
    <message>
        <source>playlist_trip_rear</source>
        <translation>Rear</translation>
    </message>
    <message>
        <source>playlist_trip_interior</source>
        <translation>Interior</translation>
    </message>
    <message>
        <source>playlist_trip_no_time</source>
        <translation>No recording time</translation>
    </message>
    <message>
        <source>playlist_missing_file</source>
        <translation>File missing, skipped: %1</translation>
    </message>
    <message>
        <source>playlist_missing_tip</source>
        <translation>%1 (missing from disk)</translation>
    </message>
    <message>
        <source>playlist_minute_cameras_tip</source>
        <translation>Recorded by several cameras this minute: the picture shows %1; %2 will play once several cameras can be shown together.</translation>
    </message>
</context>
</TS>
