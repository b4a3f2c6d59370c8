<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Expand playback window</source>
        <translation>Expand playback window</translation>
    </message>
    <message>
        <source>Screen Capture to 'Pictures'</source>
        <translation>Screen Capture to 'Pictures'</translation>
    </message>
    <message>
        <source>player_tip_play</source>
        <translation>Play / Pause (Space)</translation>
    </message>
    <message>
        <source>player_tip_stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>player_tip_forward</source>
        <translation>Fast forward</translation>
    </message>
    <message>
        <source>player_tip_backward</source>
        <translation>Fast reverse</translation>
    </message>
    <message>
        <source>player_tip_last</source>
        <translation>Previous file</translation>
    </message>
    <message>
        <source>player_tip_next</source>
        <translation>Next file</translation>
    </message>
    <message>
        <source>player_tip_volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>player_tip_pictures</source>
        <translation>Open the captures folder</translation>
    </message>
    <message>
        <source>player_tip_open</source>
        <translation>Open files</translation>
    </message>
    <message>
        <source>player_tip_settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>player_tip_help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>player_tip_close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>player_help_video</source>
        <translation>User guide</translation>
    </message>
    <message>
        <source>player_help_website</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>player_help_shop</source>
        <translation>Shop</translation>
    </message>
    <message>
        <source>player_speed_unit</source>
        <translation>Speed unit</translation>
    </message>
    <message>
        <source>player_speed_kmh</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>player_speed_mph</source>
        <translation>mph</translation>
    </message>
    <message>
        <source>player_language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>player_language_en</source>
        <translation>English</translation>
    </message>
    <message>
        <source>player_language_zh</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>player_map</source>
        <translation>Map</translation>
    </message>
    <message>
        <source>player_map_google</source>
        <translation>Google</translation>
    </message>
    <message>
        <source>player_map_osm</source>
        <translation>OpenStreetMap</translation>
    </message>
    <message>
        <source>timeline_no_telemetry</source>
        <translation>No telemetry</translation>
    </message>
    <message>
        <source>timeline_brake</source>
        <translation>Brake</translation>
    </message>
    <message>
        <source>timeline_assistance</source>
        <translation>Assistance</translation>
    </message>
    <message>
        <source>lane_front</source>
        <translation>Front</translation>
    </message>
    <message>
        <source>lane_rear</source>
        <translation>Rear</translation>
    </message>
    <message>
        <source>lane_cabin</source>
        <translation>Cabin</translation>
    </message>
    <message>
        <source>lane_left_repeater</source>
        <translation>Left repeater</translation>
    </message>
    <message>
        <source>lane_right_repeater</source>
        <translation>Right repeater</translation>
    </message>
    <message>
        <source>lane_left_pillar</source>
        <translation>Left pillar</translation>
    </message>
    <message>
        <source>lane_right_pillar</source>
        <translation>Right pillar</translation>
    </message>
    <message>
        <source>assistance_self_driving</source>
        <translation>Self-driving</translation>
    </message>
    <message>
        <source>assistance_autosteer</source>
        <translation>Autosteer</translation>
    </message>
    <message>
        <source>assistance_cruise</source>
        <translation>Cruise control</translation>
    </message>
    <message>
        <source>player_tip_events</source>
        <translation>Driving events (Page Up / Page Down)</translation>
    </message>
    <message>
        <source>events_title</source>
        <translation>Driving events</translation>
    </message>
    <message>
        <source>events_column_time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>events_column_kind</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>events_column_strength</source>
        <translation>Strength</translation>
    </message>
    <message>
        <source>events_column_clip</source>
        <translation>Clip</translation>
    </message>
    <message>
        <source>events_none</source>
        <translation>No events in this file</translation>
    </message>
    <message>
        <source>events_mark_in</source>
        <translation>Mark In</translation>
    </message>
    <message>
        <source>events_mark_out</source>
        <translation>Mark Out</translation>
    </message>
    <message>
        <source>event_hard_braking</source>
        <translation>Hard braking</translation>
    </message>
    <message>
        <source>event_hard_acceleration</source>
        <translation>Hard acceleration</translation>
    </message>
    <message>
        <source>event_harsh_g</source>
        <translation>Harsh G-force</translation>
    </message>
    <message>
        <source>event_impact</source>
        <translation>Impact</translation>
    </message>
    <message>
        <source>event_over_speed</source>
        <translation>Over speed</translation>
        <source>Open a clip before marking a segment.</source>
        <translation>Open a clip before marking a segment.</translation>
    </message>
    <message>
        <source>event_brake_applied</source>
        <translation>Brake applied</translation>
    </message>
    <message>
        <source>event_assistance_disengaged</source>
        <translation>Assistance disengaged</translation>
    </message>
    <message>
        <source>The in mark was after the out mark, so they were swapped.</source>
        <translation>The in mark was after the out mark, so they were swapped.</translation>
    </message>
    <message>
        <source>A mark lay outside the clip and was moved to its end.</source>
        <translation>A mark lay outside the clip and was moved to its end.</translation>
    </message>
    <message>
        <source>The marked segment is empty: set the out mark after the in mark.</source>
        <translation>The marked segment is empty: set the out mark after the in mark.</translation>
    </message>
    <message>
        <source>In</source>
        <translation>In</translation>
    </message>
    <message>
        <source>Out</source>
        <translation>Out</translation>
    </message>
    <message>
        <source>channel_no_recording</source>
        <translation>No recording</translation>
    </message>
    <message>
        <source>channel_starts_at</source>
        <translation>Recording starts at %1</translation>
    </message>
    <message>
        <source>channel_two_files</source>
        <translation>Two recordings of one camera at this time: showing %1</translation>
    </message>
    <message>
        <source>channel_differs</source>
        <translation>%1 differs from the main picture: %2 against %3</translation>
    </message>
    <message>
        <source>channel_offset</source>
        <translation>%1: %2 ms</translation>
    </message>
    <message>
        <source>channel_front</source>
        <translation>Front camera</translation>
    </message>
    <message>
        <source>channel_rear</source>
        <translation>Rear camera</translation>
    </message>
    <message>
        <source>channel_interior</source>
        <translation>Cabin camera</translation>
    </message>
    <message>
        <source>channel_other</source>
        <translation>Camera %1</translation>
    </message>
    <message>
        <source>capture_saved_as</source>
        <translation>Picture saved as %1</translation>
    </message>
    <message>
        <source>capture_saved_pictures_in</source>
        <translation>%1 pictures saved in %2</translation>
    </message>
    <message>
        <source>capture_no_recording</source>
        <translation>No recording from: %1.</translation>
    </message>
    <message>
        <source>player_tip_cameras</source>
        <translation>Cameras: insets, side by side, grid</translation>
    </message>
    <message><source>Lost here</source><translation>Lost here</translation></message>
    <message><source>Accept</source><translation>Accept</translation></message>
    <message><source>Drop</source><translation>Drop</translation></message>
    <message><source>Drag a box around what to blur</source><translation>Drag a box around what to blur</translation></message>
</context>
</TS>
