<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message><source>menu_file</source><translation>File</translation></message>
    <message><source>menu_open</source><translation>Open Videos…</translation></message>
    <message><source>menu_export_track</source><translation>Export Track…</translation></message>
    <message><source>export_nothing</source><translation>No clips to export</translation></message>
    <message><source>export_done</source><translation>Track exported</translation></message>
    <message><source>export_failed</source><translation>Export failed: %1</translation></message>
    <message><source>telemetry_unreadable</source><translation>This clip has telemetry that cannot be read: the camera enciphered or encoded it.</translation></message>
    <message><source>menu_attach_track</source><translation>Attach GPS Track…</translation></message>
    <message><source>attach_no_clip</source><translation>Play a clip before attaching a GPS track</translation></message>
    <message><source>attach_which_clips</source><translation>Attach the GPS track to this clip only, or to every clip of its trip that has no GPS of its own?</translation></message>
    <message><source>attach_whole_trip</source><translation>Whole Trip</translation></message>
    <message><source>attach_this_clip</source><translation>This Clip</translation></message>
    <message><source>attach_done</source><translation>GPS track attached to %1 clip(s)</translation></message>
    <message><source>attach_unreadable</source><translation>%1 is not a GPS track that can be read</translation></message>
    <message><source>attach_not_covered</source><translation>The GPS track %1 does not cover this clip's time</translation></message>
    <message><source>attach_have_their_own</source><translation>These clips have GPS of their own, which they keep</translation></message>
    <message><source>menu_preferences</source><translation>Preferences…</translation></message>
    <message><source>menu_quit</source><translation>Quit Veltra Player</translation></message>
    <message><source>menu_setting</source><translation>Setting</translation></message>
    <message><source>menu_kmh</source><translation>Speed in km/h</translation></message>
    <message><source>menu_mph</source><translation>Speed in mph</translation></message>
    <message><source>menu_google_map</source><translation>Google Maps</translation></message>
    <message><source>menu_openstreetmap</source><translation>OpenStreetMap</translation></message>
    <message><source>menu_help</source><translation>Help</translation></message>
    <message><source>menu_tutorial</source><translation>User Guide</translation></message>
    <message><source>menu_website</source><translation>Veltra Website</translation></message>
    <message><source>menu_shop</source><translation>Veltra Shop</translation></message>
    <message><source>menu_version</source><translation>Version</translation></message>
    <message><source>menu_about</source><translation>About Veltra Player</translation></message>
    <message><source>menu_about_window</source><translation>About Window</translation></message>
    <message><source>open_panel_title</source><translation>Open Dash Camera Videos</translation></message>
    <message><source>open_panel_filter</source><translation>Videos</translation></message>
    <message><source>open_panel_all</source><translation>All files</translation></message>
    <message><source>pref_language</source><translation>Language:</translation></message>
    <message><source>pref_speed_unit</source><translation>Speed unit:</translation></message>
    <message><source>pref_kmh</source><translation>km/h</translation></message>
    <message><source>pref_mph</source><translation>mph</translation></message>
    <message><source>pref_events</source><translation>Driving events:</translation></message>
    <message><source>pref_event_speed_change</source><translation>Hard braking / acceleration within 1 s</translation></message>
    <message><source>pref_event_harsh_g</source><translation>Harsh horizontal G-force</translation></message>
    <message><source>pref_event_impact</source><translation>Impact (G-sensor jump)</translation></message>
    <message><source>pref_event_over_speed</source><translation>Over-speed limit</translation></message>
    <message><source>pref_event_off</source><translation>Off</translation></message>
    <message><source>pref_privacy</source><translation>Privacy:</translation></message>
    <message><source>pref_place_in_pictures</source><translation>Write place and speed into saved pictures</translation></message>
    <message><source>pref_place_to_media_controls</source><translation>Tell media controls where the car is</translation></message>
    <message><source>Export Incident…</source><translation>Export Incident…</translation></message>
    <message><source>View</source><translation>View</translation></message>
    <message><source>Clean GPS Glitches</source><translation>Clean GPS Glitches</translation></message>
    <message><source>Smooth Route on the Map</source><translation>Smooth Route on the Map</translation></message>
    <message><source>Location in Exports</source><translation>Location in Exports</translation></message>
    <message><source>Full Location</source><translation>Full Location</translation></message>
    <message><source>Coarse Location (about 1 km)</source><translation>Coarse Location (about 1 km)</translation></message>
    <message><source>Without Location</source><translation>Without Location</translation></message>
    <message><source>It gives no location.</source><translation>It gives no location.</translation></message>
    <message><source>Its positions are rounded to about a kilometre.</source><translation>Its positions are rounded to about a kilometre.</translation></message>
    <message><source>Playback</source><translation>Playback</translation></message>
    <message><source>Telemetry Earlier</source><translation>Telemetry Earlier</translation></message>
    <message><source>Telemetry Later</source><translation>Telemetry Later</translation></message>
    <message><source>Reset Telemetry Offset</source><translation>Reset Telemetry Offset</translation></message>
    <message><source>Times</source><translation>Times</translation></message>
    <message><source>Camera Clock</source><translation>Camera Clock</translation></message>
    <message><source>UTC</source><translation>UTC</translation></message>
    <message><source>System Time Zone</source><translation>System Time Zone</translation></message>
    <message><source>Other Time Zone…</source><translation>Other Time Zone…</translation></message>
    <message><source>Cameras</source><translation>Cameras</translation></message>
    <message><source>Insets</source><translation>Insets</translation></message>
    <message><source>Side by Side</source><translation>Side by Side</translation></message>
    <message><source>Grid</source><translation>Grid</translation></message>
    <message><source>Mirror the Rear Camera</source><translation>Mirror the Rear Camera</translation></message>
    <message><source>Google Maps key:</source><translation>Google Maps key:</translation></message>
    <message><source>Needed for Setting ▸ Google Maps</source><translation>Needed for Setting ▸ Google Maps</translation></message>
    <message><source>Skip Stops</source><translation>Skip Stops</translation></message>
    <message><source>Skipped a %1 stop</source><translation>Skipped a %1 stop</translation></message>
    <message><source>stop_span_min</source><translation>%1 min</translation></message>
    <message><source>stop_span_h</source><translation>%1 h %2 min</translation></message>
    <message><source>Time zone:</source><translation>Time zone:</translation></message>
    <message><source>incident_no_recording</source><translation>No recording from: %1.</translation></message>
    <message><source>Cameras&apos; View in Incidents</source><translation>Cameras&apos; View in Incidents</translation></message>
    <message><source>Caption Under Captures</source><translation>Caption Under Captures</translation></message>
    <message><source>Open a clip before exporting an incident.</source><translation>Open a clip before exporting an incident.</translation></message>
    <message><source>Exporting the incident…</source><translation>Exporting the incident…</translation></message>
    <message><source>Cancel</source><translation>Cancel</translation></message>
    <message><source>Incident exported.</source><translation>Incident exported.</translation></message>
    <message><source>Cannot write in %1: %2</source><translation>Cannot write in %1: %2</translation></message>
    <message><source>Exporting needs ffmpeg, which is not installed.</source><translation>Exporting needs ffmpeg, which is not installed.</translation></message>
    <message><source>The picture could not be written.</source><translation>The picture could not be written.</translation></message>
    <message><source>The GPX file could not be written.</source><translation>The GPX file could not be written.</translation></message>
    <message><source>The clip could not be read for its digest.</source><translation>The clip could not be read for its digest.</translation></message>
    <message><source>The manifest could not be written.</source><translation>The manifest could not be written.</translation></message>
    <message><source>The video could not be written.</source><translation>The video could not be written.</translation></message>
    <message><source>The export was cancelled.</source><translation>The export was cancelled.</translation></message>
    <message><source>The export failed.</source><translation>The export failed.</translation></message>
    <message><source>The files could not be renamed in %1.</source><translation>The files could not be renamed in %1.</translation></message>
    <message><source>%1 already exists. Replace it?</source><translation>%1 already exists. Replace it?</translation></message>
    <message><source>%1 and %2 already exist. Replace them?</source><translation>%1 and %2 already exist. Replace them?</translation></message>
    <message><source>%1, %2 and %3 already exist. Replace them?</source><translation>%1, %2 and %3 already exist. Replace them?</translation></message>
    <message><source>Replace</source><translation>Replace</translation></message>
    <message><source>The files it replaced are kept in %1.</source><translation>The files it replaced are kept in %1.</translation></message>
    <message>
        <source>The clip&apos;s telemetry could not be read: %1</source>
        <translation>The clip&apos;s telemetry could not be read: %1</translation>
    </message>
    <message><source>Export Video…</source><translation>Export Video…</translation></message>
    <message><source>Open a clip before exporting a video.</source><translation>Open a clip before exporting a video.</translation></message>
    <message><source>Exporting the video…</source><translation>Exporting the video…</translation></message>
    <message><source>Video exported.</source><translation>Video exported.</translation></message>
    <message><source>%1 is not a video that can be read.</source><translation>%1 is not a video that can be read.</translation></message>
    <message><source>There is nothing to export.</source><translation>There is nothing to export.</translation></message>
    <message><source>The marked segment</source><translation>The marked segment</translation></message>
    <message><source>The whole clip</source><translation>The whole clip</translation></message>
    <message><source>The whole trip</source><translation>The whole trip</translation></message>
    <message><source>Dashboard along the bottom</source><translation>Dashboard along the bottom</translation></message>
    <message><source>Dashboard along the top</source><translation>Dashboard along the top</translation></message>
    <message><source>In the corners</source><translation>In the corners</translation></message>
    <message><source>Compact, lower left</source><translation>Compact, lower left</translation></message>
    <message><source>Speed</source><translation>Speed</translation></message>
    <message><source>Date and time</source><translation>Date and time</translation></message>
    <message><source>Position</source><translation>Position</translation></message>
    <message><source>Map</source><translation>Map</translation></message>
    <message><source>G-sensor graph</source><translation>G-sensor graph</translation></message>
    <message><source>Compass</source><translation>Compass</translation></message>
    <message><source>The overlay alone, on a transparent ground (QuickTime, for video editors)</source><translation>The overlay alone, on a transparent ground (QuickTime, for video editors)</translation></message>
    <message><source>Export:</source><translation>Export:</translation></message>
    <message><source>Layout:</source><translation>Layout:</translation></message>
    <message><source>Show:</source><translation>Show:</translation></message>
    <message><source>Location:</source><translation>Location:</translation></message>
    <message><source>Export…</source><translation>Export…</translation></message>
    <message><source>No preview: the clip cannot be read.</source><translation>No preview: the clip cannot be read.</translation></message>
    <message><source>The video was written incompletely (no playable picture).</source><translation>The video was written incompletely (no playable picture).</translation></message>
    <message><source>The video was written incompletely (%1 frames, %2 s).</source><translation>The video was written incompletely (%1 frames, %2 s).</translation></message>
    <message><source>%1 is a clip of this export: choose another name, so that it is not written over.</source><translation>%1 is a clip of this export: choose another name, so that it is not written over.</translation></message>
    <message><source>Preparing the preview…</source><translation>Preparing the preview…</translation></message>
    <message><source>Play/Pause</source><translation>Play / Pause</translation></message>
    <message><source>Slower</source><translation>Slower</translation></message>
    <message><source>Faster</source><translation>Faster</translation></message>
    <message><source>Next Frame</source><translation>Next Frame</translation></message>
    <message><source>Previous Frame</source><translation>Previous Frame</translation></message>
    <message><source>Forward 5 Seconds</source><translation>Forward 5 Seconds</translation></message>
    <message><source>Back 5 Seconds</source><translation>Back 5 Seconds</translation></message>
    <message><source>Forward 1 Minute</source><translation>Forward 1 Minute</translation></message>
    <message><source>Back 1 Minute</source><translation>Back 1 Minute</translation></message>
    <message><source>Go to Start</source><translation>Go to Start</translation></message>
    <message><source>Go to End</source><translation>Go to End</translation></message>
    <message><source>Mark In</source><translation>Mark In</translation></message>
    <message><source>Mark Out</source><translation>Mark Out</translation></message>
    <message><source>Next Event</source><translation>Next Event</translation></message>
    <message><source>Previous Event</source><translation>Previous Event</translation></message>
    <message><source>Full Screen</source><translation>Full Screen</translation></message>
    <message><source>Keyboard Shortcuts…</source><translation>Keyboard Shortcuts…</translation></message>
    <message><source>Keyboard Shortcuts</source><translation>Keyboard Shortcuts</translation></message>
    <message><source>Keys</source><translation>Keys</translation></message>
    <message><source>Command</source><translation>Command</translation></message>
    <message><source>Close</source><translation>Close</translation></message>
    <message><source>Close a panel or leave full screen</source><translation>Close a panel or leave full screen</translation></message>
    <message><source>Chosen camera earlier</source><translation>Chosen camera earlier</translation></message>
    <message><source>Chosen camera later</source><translation>Chosen camera later</translation></message>
    <message><source>Chosen camera back in step</source><translation>Chosen camera back in step</translation></message>
    <message><source>Zoom the timeline in, out, back (timeline focused)</source><translation>Zoom the timeline in, out, back (timeline focused)</translation></message>
    <message><source>Open Folder…</source><translation>Open Folder…</translation></message>
    <message><source>Version %1</source><translation>Version %1</translation></message>
    <message><source>%1 could not be opened: this desktop has no program for it.</source><translation>%1 could not be opened: this desktop has no program for it.</translation></message>
    <message><source>Track exported to %1</source><translation>Track exported to %1</translation></message>
    <message><source>Redact</source><translation>Redact</translation></message>
    <message><source>Mark Area</source><translation>Mark Area</translation></message>
    <message><source>Show Marks</source><translation>Show Marks</translation></message>
    <message><source>Delete Mark</source><translation>Delete Mark</translation></message>
    <message><source>Clear Marks of This Clip</source><translation>Clear Marks of This Clip</translation></message>
    <message><source>Following the Mark</source><translation>Following the Mark</translation></message>
    <message><source>Following the mark through the clip…</source><translation>Following the mark through the clip…</translation></message>
    <message><source>Stop</source><translation>Stop</translation></message>
    <message><source>Tracking stopped: the mark keeps what was found before</source><translation>Tracking stopped: the mark keeps what was found before</translation></message>
    <message><source>The mark could not be followed: %1</source><translation>The mark could not be followed: %1</translation></message>
    <message><source>Click a mark on the picture first</source><translation>Click a mark on the picture first</translation></message>
    <message><source>Marks cleared: %1</source><translation>Marks cleared: %1</translation></message>
    <message><source>This clip has no marks</source><translation>This clip has no marks</translation></message>
    <message><source>Find Faces and Plates</source><translation>Find Faces and Plates</translation></message>
    <message><source>Looking for faces and number plates…</source><translation>Looking for faces and number plates…</translation></message>
    <message><source>Faces and plates cannot be looked for: %1</source><translation>Faces and plates cannot be looked for: %1</translation></message>
    <message><source>No faces or number plates found on this frame</source><translation>No faces or number plates found on this frame</translation></message>
    <message><source>%1 found: click a dashed box to accept or drop it</source><translation>%1 found: click a dashed box to accept or drop it</translation></message>
</context>
</TS>
