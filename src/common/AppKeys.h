// Every settings key of the program, in one place.
#pragma once

namespace AppKeys {

// Settings keys
inline constexpr char SPEED_UNIT[] = "speed_unit";
inline constexpr char SPEED_UNIT_KMPH[] = "kmph";
inline constexpr char SPEED_UNIT_MILEPH[] = "mileph";
inline constexpr char CHANGE_MAP[] = "change_map";
inline constexpr char CHANGE_MAP_GOOGLE[] = "google";
inline constexpr char CHANGE_MAP_STREET[] = "street";
inline constexpr char ROTATE_ANGLE_V[] = "rotateAngle_v";
inline constexpr char ROTATE_SPD_V[] = "rotateSpd_v";
inline constexpr char VOLUME[] = "volume";
// Captured pictures get a strip with their time, position and speed under them.
inline constexpr char CAPTURE_CAPTION[] = "capture_caption";
// An incident of several cameras also gets the view of them all as one video.
inline constexpr char INCIDENT_VIEW[] = "incident_view";
// Privacy: whether saved pictures carry the place and speed of their moment, and whether
// the remote control (MPRIS) tells every program on the bus where the car is.
inline constexpr char PLACE_IN_PICTURES[] = "place_in_pictures";
inline constexpr char PLACE_TO_MEDIA_CONTROLS[] = "place_to_media_controls";
inline constexpr char APPLE_LANGUAGES[] = "AppleLanguages";
inline constexpr char USER_LANGUAGE[] = "userLanguage";
inline constexpr char GOOGLE_MAPS_API_KEY[] = "google_maps_api_key";
inline constexpr char TRIP_GAP_SECONDS[] = "trip_gap_seconds";   // the longest pause within a trip
// Driving event thresholds: km/h within a second, g, g, km/h (0 = over-speed off)
inline constexpr char EVENT_SPEED_CHANGE[] = "event_speed_change_kmh";
inline constexpr char EVENT_HARSH_G[] = "event_harsh_g";
inline constexpr char EVENT_IMPACT_G[] = "event_impact_g";
inline constexpr char EVENT_OVER_SPEED[] = "event_over_speed_kmh";
// The map: online maps, the offline sources, the tile cache's size, another tile server (tests)
inline constexpr char USE_ONLINE_MAPS[] = "use_online_maps";
inline constexpr char OFFLINE_MAP_SOURCES[] = "offline_map_sources";
inline constexpr char MAP_TILE_CACHE_MB[] = "map_tile_cache_mb";
inline constexpr char MAP_TILE_SERVER_FOR_TESTS[] = "map_tile_server_for_tests";
// The trip panel's figures: "clip" or "trip"
inline constexpr char TRIP_PANEL_FIGURES[] = "trip_panel_figures";
// GPS glitches are left out of routes, distances, maxima and events
inline constexpr char CLEAN_GPS[] = "clean_gps";
inline constexpr char SMOOTH_ROUTE[] = "smooth_route";
// How a moment's cameras are laid out: "insets", "side" or "grid".
inline constexpr char CAMERA_LAYOUT[] = "camera_layout";
inline constexpr char MIRROR_REAR[] = "mirror_rear";
inline constexpr char SKIP_STOPS[] = "skip_stops";
// The main window's place and size, and its dividers, as the window saves them.
inline constexpr char WINDOW_GEOMETRY[] = "window_geometry";
inline constexpr char WINDOW_DIVIDERS[] = "window_dividers";
// The share of the picture's width and height an inset takes
inline constexpr char INSET_SHARE[] = "inset_share";
inline constexpr char EXPORT_LOCATION[] = "export_location";
// The overlay of File ▸ Export Video: its layout and elements ("corners:speed,time,map").
inline constexpr char OVERLAY_CHOICE[] = "overlay_choice";
// Whether the exports blur the marked areas, and how ("on:gaussian:6").
inline constexpr char EXPORT_BLUR[] = "export_blur";
// The clock times are shown on: "camera", "utc", "system" or "zone", and the IANA zone for "zone"
inline constexpr char TIME_CLOCK[] = "time_clock";
inline constexpr char TIME_ZONE[] = "time_zone";
inline constexpr char EXPORT_FOLDER[] = "export_folder";
// Per camera name pattern, the milliseconds its telemetry is moved against the picture
inline constexpr char TELEMETRY_OFFSETS[] = "telemetry_offsets";
// Per camera name pattern (digits as '#'), the milliseconds that camera's picture is held
// after the leading one of its moment
inline constexpr char CHANNEL_OFFSETS[] = "channel_offsets";

// The stored play list and the keys of its entries
inline constexpr char key_play_list[] = "KEY_PLAY_LIST";
inline constexpr char keyPATH[] = "key_path";
inline constexpr char keyGPSDATA[] = "key_gps_data";
inline constexpr char keyActiveYN[] = "key_active_yn";
// "key_max_speed" and "key_is_in_china" come from the telemetry core (KEY_MAX_SPEED, KEY_IS_IN_CHINA).

} // namespace AppKeys
