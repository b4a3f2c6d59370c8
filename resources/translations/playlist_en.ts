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
        <translation>Cabin</translation>
    </message>
    <message>
        <source>playlist_camera_left_repeater</source>
        <translation>Left repeater</translation>
    </message>
    <message>
        <source>playlist_camera_right_repeater</source>
        <translation>Right repeater</translation>
    </message>
    <message>
        <source>playlist_camera_left_pillar</source>
        <translation>Left pillar</translation>
    </message>
    <message>
        <source>playlist_camera_right_pillar</source>
        <translation>Right pillar</translation>
    </message>
    <message>
        <source>playlist_trip_more_cameras</source>
        <translation>%1 + %2 cameras</translation>
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
        <translation>Cameras of this moment: %1 in the picture, %2 beside it.</translation>
    </message>
    <message>
        <source>clock_span_hms</source>
        <translation>%1 h %2 min %3 s</translation>
    </message>
    <message>
        <source>clock_span_ms</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>clock_span_s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>clock_agrees</source>
        <translation>Camera clock agrees with GPS</translation>
    </message>
    <message>
        <source>clock_ahead</source>
        <translation>Camera clock %1 ahead of GPS</translation>
    </message>
    <message>
        <source>clock_behind</source>
        <translation>Camera clock %1 behind GPS</translation>
    </message>
    <message>
        <source>clock_from_trip</source>
        <translation>(from the other clips of the trip)</translation>
    </message>
    <message>
        <source>clock_source_gps</source>
        <translation>Time from GPS (UTC)</translation>
    </message>
    <message>
        <source>clock_source_name</source>
        <translation>Time from the file name (camera clock)</translation>
    </message>
    <message>
        <source>clock_source_name_utc</source>
        <translation>Time from the file name, corrected to UTC</translation>
    </message>
    <message>
        <source>clock_source_movie</source>
        <translation>Time from the movie header (camera clock)</translation>
    </message>
    <message>
        <source>clock_source_movie_utc</source>
        <translation>Time from the movie header, corrected to UTC</translation>
    </message>
    <message>
        <source>clock_source_none</source>
        <translation>No recording time</translation>
    </message>
    <message>
        <source>clock_rollover</source>
        <translation>GPS week rollover corrected</translation>
    </message>
    <message>
        <source>clock_unset</source>
        <translation>Camera clock not set (factory time)</translation>
    </message>
    <message>
        <source>clock_no_gps_date</source>
        <translation>GPS fixes without a date</translation>
    </message>
    <message>
        <source>clock_implausible</source>
        <translation>GPS date not believed (before 2000 or in the future)</translation>
    </message>
    <message>
        <source>clock_trip_gps</source>
        <translation>Time from GPS in %1 of %2 clips</translation>
    </message>
    <message>
        <source>clock_trip_no_gps</source>
        <translation>No GPS time: camera clock only</translation>
    </message>
    <message>
        <source>telemetry_earlier</source>
        <translation>Telemetry %1 ms earlier</translation>
    </message>
    <message>
        <source>telemetry_later</source>
        <translation>Telemetry %1 ms later</translation>
    </message>
    <message>
        <source>telemetry_in_step</source>
        <translation>Telemetry in step with the picture</translation>
    </message>
    <message><source>Looking in the folder: %1 recordings found</source><translation>Looking in the folder: %1 recordings found</translation></message>
    <message><source>Open videos (Ctrl+O), a folder (Ctrl+Shift+O), or drop them here</source><translation>Open videos (Ctrl+O), a folder (Ctrl+Shift+O), or drop them here</translation></message>
    <message><source>Empty file</source><translation>Empty file</translation></message>
    <message><source>Not a video</source><translation>Not a video</translation></message>
    <message><source>Cut short: no movie header</source><translation>Cut short: no movie header</translation></message>
    <message><source>Ends early at %1</source><translation>Ends early at %1</translation></message>
    <message><source>…and %1 more files that could not be added.</source><translation>…and %1 more files that could not be added.</translation></message>
    <message><source>%1: %2</source><translation>%1: %2</translation></message>
</context>
</TS>
