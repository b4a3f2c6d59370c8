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
</context>
</TS>
