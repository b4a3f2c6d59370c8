<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Google Maps needs an access key. Put it under "google_maps_api_key" in the settings, or choose OpenStreetMap in the Map menu.</source>
        <translation>Google Maps needs an access key. Put it under "google_maps_api_key" in the settings, or choose Setting ▸ OpenStreetMap.</translation>
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
</context>
</TS>
