#include "GpsDataHelper.h"

const char *const KEY_VIDEO_DATAS = "key_video_datas";
const char *const KEY_MAX_SPEED = "key_max_speed";
const char *const KEY_IS_IN_CHINA = "key_is_in_china";
const char *const KEY_SPD = "spd";
const char *const KEY_GPS_LAT = "gps_lat";
const char *const KEY_GPS_LGT = "gps_lgt";
const char *const KEY_NORTH_ANGLE = "north_angle";
const char *const KEY_GSENSOR_X = "gsensor_x";
const char *const KEY_GSENSOR_Y = "gsensor_y";
const char *const KEY_GSENSOR_Z = "gsensor_z";

// Placeholder until the readers land: every file reads as one without telemetry.
GpsReadResult GpsDataHelper::readGpsData(const std::string &reference)
{
    GpsReadResult result;
    result.path = reference;
    return result;
}

std::string GpsDataHelper::clearfilePrefix(const std::string &text)
{
    if (text.find("file:///") != std::string::npos)
        return text.substr(7);
    return text;
}

bool GpsDataHelper::locationInChina(float latitude, float longitude)
{
    const double lat = latitude, lng = longitude;
    return lat >= 3.51 && lat <= 53.33 && lng >= 73.33 && lng <= 135.05;
}

bool GpsDataHelper::percentDecode(const std::string &text, std::string *out)
{
    *out = text;
    return true;
}
