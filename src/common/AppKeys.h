// Every settings key and notification name of the program, in one place.
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

// The stored play list and the keys of its entries
inline constexpr char key_play_list[] = "KEY_PLAY_LIST";
inline constexpr char keyPATH[] = "key_path";
inline constexpr char keyGPSDATA[] = "key_gps_data";
inline constexpr char keyActiveYN[] = "key_active_yn";
// "key_max_speed" and "key_is_in_china" come from the telemetry core (KEY_MAX_SPEED, KEY_IS_IN_CHINA).

// Notification names
inline constexpr char SPEED_UNIT_NOTIFICATION[] = "speed_unit_notification";
inline constexpr char CHANGE_MAP_NOTIFICATION[] = "change_map_notification";
inline constexpr char COMPASS_NOTIFICATION[] = "compass_notification";
inline constexpr char WINDOW_FULL_CHANGE[] = "window_full_change";
inline constexpr char EVENT_SETTINGS_NOTIFICATION[] = "event_settings_notification";
inline constexpr char PRIVACY_NOTIFICATION[] = "privacy_notification";

} // namespace AppKeys
