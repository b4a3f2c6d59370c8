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
    <message><source>ffmpeg could not be started: %1</source><translation>ffmpeg could not be started: %1</translation></message>
    <message><source>The encoder stopped: %1</source><translation>The encoder stopped: %1</translation></message>
    <message><source>The clip could not be read: %1</source><translation>The clip could not be read: %1</translation></message>
    <message><source>The encoder failed: %1</source><translation>The encoder failed: %1</translation></message>
    <message><source>Nothing to track.</source><translation>Nothing to track.</translation></message>
    <message><source>No key box lies in the range.</source><translation>No key box lies in the range.</translation></message>
    <message><source>The key frame could not be read.</source><translation>The key frame could not be read.</translation></message>
    <message><source>The clip could not be read before %1 s.</source><translation>The clip could not be read before %1 s.</translation></message>
    <message><source>Tracking needs ffmpeg, which is not installed.</source><translation>Tracking needs ffmpeg, which is not installed.</translation></message>
    <message><source>Blur marked areas</source><translation>Blur marked areas</translation></message>
    <message><source>Pixelate</source><translation>Pixelate</translation></message>
    <message><source>Gaussian blur</source><translation>Gaussian blur</translation></message>
    <message><source>Strength:</source><translation>Strength:</translation></message>
    <message><source>How:</source><translation>How:</translation></message>
    <message><source>Blurring:</source><translation>Blurring:</translation></message>
    <message><source>This moment has marked areas. The export shows them as below.</source><translation>This moment has marked areas. The export shows them as below.</translation></message>
    <message><source>It blurs %1 marked areas.</source><translation>It blurs %n marked areas.</translation></message>
    <message><source>The detector %1 cannot be loaded.</source><translation>The detector %1 cannot be loaded.</translation></message>
</context>
</TS>
