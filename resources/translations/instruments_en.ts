<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>trip_max_speed</source>
        <translation>Max speed</translation>
    </message>
    <message>
        <source>trip_average_speed</source>
        <translation>Average speed</translation>
    </message>
    <message>
        <source>trip_distance</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>trip_figures_clip</source>
        <translation>Clip</translation>
    </message>
    <message>
        <source>vehicle_steering</source>
        <translation>Steering</translation>
    </message>
    <message>
        <source>vehicle_pedal</source>
        <translation>Pedal</translation>
    </message>
    <message>
        <source>vehicle_gear</source>
        <translation>Gear</translation>
    </message>
    <message>
        <source>trip_figures_trip</source>
        <translation>Trip</translation>
    </message>
</context>
</TS>
