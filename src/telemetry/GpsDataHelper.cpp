#include "GpsDataHelper.h"

#include "AssistFile.h"
#include "BinaryFile.h"
#include "FileList.h"
#include "FreeBox.h"
#include "FreeGps.h"
#include "Gpmf.h"
#include "MovieMap.h"
#include "SeiTelemetry.h"
#include "SideFiles.h"
#include "TextTrack.h"
#include "Utf8.h"

#include <cerrno>

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

GpsReadResult GpsDataHelper::readGpsData(const std::string &reference)
{
    GpsReadResult result;
    std::string path;
    if (!referenceToPath(reference, &path, &result.openError)) {
        result.path = reference;
        return result;
    }
    result.path = path;
    if (path.size() < 4) {   // no name of a video file
        result.openError = EINVAL;
        return result;
    }
    BinaryFile file;
    if (!file.open(path)) {
        result.openError = file.error() ? file.error() : EINVAL;
        return result;
    }
    return readGpsData(file, path);
}

namespace {

// One of the two Novatek block readers, as the read result; false when it found no block.
bool readNovatek(BinaryFile &file, bool tables, TelemetryLayout layout, GpsReadResult *result)
{
    AssistFile reader;
    const int count = tables ? reader.ParseAssistDataForNovatek(file) : reader.ParseAssistDataForNovatek66x(file);
    if (count <= 0)
        return false;
    const std::vector<AssistEntry> &list = reader.GetAssistInfoList();
    result->videoDatas.reserve(list.size());
    result->times.reserve(list.size());
    float lastLat = 0, lastLgt = 0;
    for (const AssistEntry &info : list) {
        GpsSample s;
        s.spd = info.speed;
        s.gps_lat = info.gpsLat;
        s.gps_lgt = info.gpsLgt;
        s.north_angle = info.northAngle;
        s.gsensor_x = info.gsensorX;
        s.gsensor_y = info.gsensorY;
        s.gsensor_z = info.gsensorZ;
        result->videoDatas.push_back(std::move(s));
        result->times.push_back(SentenceTime{info.utcTime, info.utcDate});
        if (info.speed > result->maxSpeed)
            result->maxSpeed = info.speed;
        lastLat = GpsDataHelper::textToFloat(info.gpsLat);
        lastLgt = GpsDataHelper::textToFloat(info.gpsLgt);
    }
    result->isInChina = true;
    if (lastLat != 0 && lastLgt != 0)
        result->isInChina = GpsDataHelper::locationInChina(lastLat, lastLgt);
    result->samples = TelemetrySample::fromRead(*result);
    result->layout = layout;
    return true;
}

bool anyPosition(const GpsReadResult &result)
{
    for (const GpsSample &s : result.videoDatas)
        if (!s.gps_lat.empty() && !s.gps_lgt.empty())
            return true;
    return false;
}

// The detection order, documented in GpsDataHelper.h. Each step that finds nothing
// leaves the result empty for the next.
void detectAndRead(BinaryFile &file, const std::string &path, GpsReadResult *result)
{
    CFileList detector;
    const tagFileNode node = detector.createNodeInfo(path, file);
    if (node.icat6330 && readNovatek(file, false, TelemetryLayout::Icat6330, result))
        return;
    if (node.nt9665 && readNovatek(file, true, TelemetryLayout::NovatekTables, result))
        return;

    const MovieMap map = MovieMap::of(file);
    switch (FreeGps::read(file, map, false, result)) {
    case FreeGps::Outcome::Read: return;
    case FreeGps::Outcome::Unreadable: result->layout = TelemetryLayout::Unreadable; return;
    case FreeGps::Outcome::NotFound: break;
    }
    const AtomHeader *afterUdta = map.afterUdta();
    if (node.nt9666 && afterUdta && afterUdta->is("gps ") &&
        readNovatek(file, false, TelemetryLayout::NovatekIndex, result))
        return;
    if (FreeBox::read(file, map, result) || TextTrack::read(file, map, result) || Gpmf::read(file, map, result) ||
        SeiTelemetry::read(file, map, result))
        return;
    if (node.nt9666 && !(afterUdta && afterUdta->is("gps "))) {
        GpsReadResult indexed;
        if (readNovatek(file, false, TelemetryLayout::NovatekIndex, &indexed) && anyPosition(indexed)) {
            indexed.path = result->path;
            *result = std::move(indexed);
            return;
        }
    }
    switch (FreeGps::read(file, map, true, result)) {
    case FreeGps::Outcome::Read: return;
    case FreeGps::Outcome::Unreadable: result->layout = TelemetryLayout::Unreadable; return;
    case FreeGps::Outcome::NotFound: break;
    }
    const std::string nmea = SideFiles::nmeaBeside(path);
    if (!nmea.empty() && SideFiles::readNmea(nmea, result))
        return;
    const std::string gpx = SideFiles::gpxBeside(path);
    if (!gpx.empty() && SideFiles::readGpx(gpx, result))
        return;
    *result = GpsReadResult{};
    result->path = path;
}

} // namespace

GpsReadResult GpsDataHelper::readGpsData(BinaryFile &file, const std::string &path)
{
    GpsReadResult result;
    result.path = path;
    if (!file.isOpen()) {
        result.openError = file.error() ? file.error() : EBADF;
        return result;
    }
    detectAndRead(file, path, &result);
    return result;
}

bool GpsDataHelper::referenceToPath(const std::string &reference, std::string *path, int *error)
{
    int failure = 0;
    std::string decoded;
    if (reference.find("file:///") == std::string::npos)
        decoded = reference;
    else if (!percentDecode(clearfilePrefix(reference), &decoded))
        failure = EINVAL;
    if (!failure && decoded.size() > BinaryFile::kMaxPathBytes)
        failure = ENAMETOOLONG;
    if (failure) {
        if (error)
            *error = failure;
        return false;
    }
    *path = std::move(decoded);
    return true;
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

float GpsDataHelper::textToFloat(const std::string &text)
{
    return static_cast<float>(read_leading_number(text));
}

bool GpsDataHelper::percentDecode(const std::string &text, std::string *out)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int hi = Utf8::hexDigit(text[i + 1]), lo = Utf8::hexDigit(text[i + 2]);
        // %00 would cut the path short when it reaches the file system.
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0))
            return false;
        decoded.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    if (decoded.find('\0') != std::string::npos || !Utf8::isWellFormed(decoded))
        return false;
    *out = std::move(decoded);
    return true;
}
