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
        <source>playlist_camera_left_repeater</source>
        <translation>左翼子板摄像头</translation>
    </message>
    <message>
        <source>playlist_camera_right_repeater</source>
        <translation>右翼子板摄像头</translation>
    </message>
    <message>
        <source>playlist_camera_left_pillar</source>
        <translation>左立柱摄像头</translation>
    </message>
    <message>
        <source>playlist_camera_right_pillar</source>
        <translation>右立柱摄像头</translation>
    </message>
    <message>
        <source>playlist_trip_more_cameras</source>
        <translation>%1 + 另外 %2 个摄像头</translation>
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
        <translation>此时刻的摄像头：画面为%1，旁边显示%2。</translation>
    </message>
    <message>
        <source>clock_span_hms</source>
        <translation>%1 小时 %2 分 %3 秒</translation>
    </message>
    <message>
        <source>clock_span_ms</source>
        <translation>%1 分 %2 秒</translation>
    </message>
    <message>
        <source>clock_span_s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>clock_agrees</source>
        <translation>相机时钟与 GPS 一致</translation>
    </message>
    <message>
        <source>clock_ahead</source>
        <translation>相机时钟比 GPS 快 %1</translation>
    </message>
    <message>
        <source>clock_behind</source>
        <translation>相机时钟比 GPS 慢 %1</translation>
    </message>
    <message>
        <source>clock_from_trip</source>
        <translation>（取自本行程的其他片段）</translation>
    </message>
    <message>
        <source>clock_source_gps</source>
        <translation>时间来自 GPS（UTC）</translation>
    </message>
    <message>
        <source>clock_source_name</source>
        <translation>时间来自文件名（相机时钟）</translation>
    </message>
    <message>
        <source>clock_source_name_utc</source>
        <translation>时间来自文件名，已校正为 UTC</translation>
    </message>
    <message>
        <source>clock_source_movie</source>
        <translation>时间来自影片头（相机时钟）</translation>
    </message>
    <message>
        <source>clock_source_movie_utc</source>
        <translation>时间来自影片头，已校正为 UTC</translation>
    </message>
    <message>
        <source>clock_source_none</source>
        <translation>无录制时间</translation>
    </message>
    <message>
        <source>clock_rollover</source>
        <translation>已校正 GPS 周数翻转</translation>
    </message>
    <message>
        <source>clock_unset</source>
        <translation>相机时钟未设置（出厂时间）</translation>
    </message>
    <message>
        <source>clock_no_gps_date</source>
        <translation>GPS 定位没有日期</translation>
    </message>
    <message>
        <source>clock_implausible</source>
        <translation>GPS 日期不可信（早于 2000 年或在未来）</translation>
    </message>
    <message>
        <source>clock_trip_gps</source>
        <translation>%2 个片段中有 %1 个的时间来自 GPS</translation>
    </message>
    <message>
        <source>clock_trip_no_gps</source>
        <translation>无 GPS 时间：仅有相机时钟</translation>
    </message>
    <message>
        <source>telemetry_earlier</source>
        <translation>遥测数据提前 %1 毫秒</translation>
    </message>
    <message>
        <source>telemetry_later</source>
        <translation>遥测数据推后 %1 毫秒</translation>
    </message>
    <message>
        <source>telemetry_in_step</source>
        <translation>遥测数据与画面同步</translation>
    </message>
    <message><source>Looking in the folder: %1 recordings found</source><translation>正在查找文件夹：已找到 %1 个录像</translation></message>
    <message><source>Open videos (Ctrl+O), a folder (Ctrl+Shift+O), or drop them here</source><translation>打开视频 (Ctrl+O)、文件夹 (Ctrl+Shift+O)，或将它们拖放到这里</translation></message>
    <message><source>Empty file</source><translation>空文件</translation></message>
    <message><source>Not a video</source><translation>不是视频</translation></message>
    <message><source>Cut short: no movie header</source><translation>文件不完整：缺少影片头</translation></message>
    <message><source>Ends early at %1</source><translation>在 %1 提前结束</translation></message>
    <message><source>…and %1 more files that could not be added.</source><translation>……另有 %1 个文件无法添加。</translation></message>
    <message><source>%1: %2</source><translation>%1：%2</translation></message>
</context>
</TS>
