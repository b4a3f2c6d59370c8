<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message>
        <source>No.</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>Time &amp; Date</source>
        <translation>时间和日期</translation>
    </message>
    <message>
        <source>Protected</source>
        <translation>受保护</translation>
    </message>
    <message>
        <source>playlist_add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>playlist_remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>playlist_add_tip</source>
        <translation>将视频文件添加到播放列表</translation>
    </message>
    <message>
        <source>playlist_remove_tip</source>
        <translation>从播放列表中移除当前文件</translation>
    </message>
    <message>
        <source>playlist_reading_files</source>
        <translation>正在读取文件：%1 / %2</translation>
    </message>
    <message>
        <source>playlist_trip_one_clip</source>
        <translation>1 个片段</translation>
    </message>
    <message>
        <source>playlist_trip_clips</source>
        <translation>%1 个片段</translation>
    </message>
    <message>
        <source>playlist_trip_front</source>
        <translation>前摄像头</translation>
    </message>
    <message>
        <source>playlist_trip_rear</source>
        <translation>后摄像头</translation>
    </message>
    <message>
        <source>playlist_trip_interior</source>
        <translation>车内摄像头</translation>
    </message>
    <message>
        <source>playlist_trip_no_time</source>
        <translation>无录制时间</translation>
    </message>
    <message>
        <source>playlist_missing_file</source>
        <translation>文件不存在，已跳过：%1</translation>
    </message>
    <message>
        <source>playlist_missing_tip</source>
        <translation>%1（磁盘上已不存在）</translation>
    </message>
    <message>
        <source>playlist_minute_cameras_tip</source>
        <translation>本分钟由多个摄像头同时录制：画面显示 %1；%2 将在支持多画面同时播放后可看。</translation>
    </message>
</context>
</TS>
