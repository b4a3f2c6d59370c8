<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
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
        <translation>KM</translation>
    </message>
    <message>
        <source>mile_distanceUnit</source>
        <translation>MILES</translation>
    </message>
    <message>
        <source>setting</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>capture_fail</source>
        <translation>Capture failed</translation>
    </message>
    <message>
        <source>   Map not available, please check your,internet connection and / or select an alternative map from the , Setting menu.</source>
        <translation>Map not available. Please check your
internet connection and / or select an alternative map:
Setting ▸ Google Maps or Setting ▸ OpenStreetMap.</translation>
    </message>
    <message>
        <source>%1 is not a file that can be opened.</source>
        <translation>%1 is not a file that can be opened.</translation>
    </message>
    <message>
        <source>not a video file but a device, pipe or socket</source>
        <translation>not a video file but a device, pipe or socket</translation>
    </message>
    <message>
        <source>%1 was not added: %2</source>
        <translation>%1 was not added: %2</translation>
    </message>
</context>
<context>
    <name>InfoPlist</name>
    <message>
        <source>CFBundleDisplayName</source>
        <translation>Veltra Player</translation>
    </message>
    <message><source>%1 holds no recordings (.MOV, .MP4).</source><translation>%1 holds no recordings (.MOV, .MP4).</translation></message>
</context>
</TS>
