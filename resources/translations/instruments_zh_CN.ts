<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message>
        <source>trip_max_speed</source>
        <translation>最高速度</translation>
    </message>
    <message>
        <source>trip_average_speed</source>
        <translation>平均速度</translation>
    </message>
    <message>
        <source>trip_distance</source>
        <translation>行驶里程</translation>
    </message>
    <message>
        <source>trip_figures_clip</source>
        <translation>片段</translation>
    </message>
    <message>
        <source>trip_figures_trip</source>
        <translation>行程</translation>
    </message>
</context>
</TS>
