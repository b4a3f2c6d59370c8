#include "GpsDataHelper.h"

#include "AssistFile.h"
#include "BinaryFile.h"
#include "FileList.h"
#include "FreeBox.h"
#include "FreeGps.h"
#include "Gpmf.h"
#include "MovieMap.h"
#include "ReadingChoice.h"
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

namespace {
// Blocks of the index after udta read to tell the earliest cameras' blocks (a
// sentence in each) from other cameras' that list theirs there too.
constexpr size_t kIndexProbes = 4;
} // namespace

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

// One of the two Novatek block readers, as the read result and what it found.
// `probe`: see ParseAssistDataForNovatek66x.
Reading readNovatek(BinaryFile &file, bool tables, TelemetryLayout layout, bool marked, size_t probe,
                    GpsReadResult *result)
{
    AssistFile reader;
    const int count = tables ? reader.ParseAssistDataForNovatek(file) : reader.ParseAssistDataForNovatek66x(file, probe);
    Reading found;
    if (count <= 0)
        return found;
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
        found.recognised = found.recognised || info.hasSentence;
    }
    result->isInChina = true;
    if (lastLat != 0 && lastLgt != 0)
        result->isInChina = GpsDataHelper::locationInChina(lastLat, lastLgt);
    result->samples = TelemetrySample::fromRead(*result);
    result->layout = layout;
    found.samples = true;
    found.marked = marked;
    return found;
}

Reading fromFreeGps(FreeGps::Outcome outcome)
{
    Reading r;
    r.samples = r.recognised = outcome == FreeGps::Outcome::Read;
    r.undecodable = outcome == FreeGps::Outcome::Unreadable;
    return r;
}

Reading recognisedIf(bool read)
{
    Reading r;
    r.samples = r.recognised = read;
    return r;
}

// The readings of one file, in the order the readers ran, and the read results of
// those that gave samples; ReadingChoice picks among them.
class Detection {
public:
    explicit Detection(const std::string &path) : m_path(path) {}

    bool settled() const { return ReadingChoice::settled(m_readings); }

    // Runs one reader unless the choice is settled already.
    template <typename Reader>
    void run(Reader reader)
    {
        if (settled())
            return;
        GpsReadResult result;
        result.path = m_path;
        m_readings.push_back(reader(&result));
        m_results.push_back(m_readings.back().samples ? std::move(result) : GpsReadResult{});
    }

    void finish(GpsReadResult *out)
    {
        const ReadingChoice::Choice choice = ReadingChoice::pick(m_readings);
        if (choice.outcome == ReadingChoice::Outcome::Reading) {
            *out = std::move(m_results[size_t(choice.index)]);
        } else {
            *out = GpsReadResult{};
            if (choice.outcome == ReadingChoice::Outcome::Unreadable)
                out->layout = TelemetryLayout::Unreadable;
        }
        out->path = m_path;
    }

private:
    std::string m_path;
    std::vector<Reading> m_readings;
    std::vector<GpsReadResult> m_results;
};

// The detection order, documented in GpsDataHelper.h.
void detectAndRead(BinaryFile &file, const std::string &path, GpsReadResult *result)
{
    CFileList detector;
    const tagFileNode node = detector.createNodeInfo(path, file);
    Detection detection(path);
    if (node.icat6330)
        detection.run([&](GpsReadResult *r) { return readNovatek(file, false, TelemetryLayout::Icat6330, true, 0, r); });
    if (node.nt9665)
        detection.run([&](GpsReadResult *r) { return readNovatek(file, true, TelemetryLayout::NovatekTables, true, 0, r); });

    if (detection.settled())
        return detection.finish(result);
    const MovieMap map = MovieMap::of(file);
    const AtomHeader *afterUdta = map.afterUdta();
    if (node.nt9666 && afterUdta && afterUdta->is("gps "))
        detection.run([&](GpsReadResult *r) {
            return readNovatek(file, false, TelemetryLayout::NovatekIndex, false, kIndexProbes, r);
        });
    detection.run([&](GpsReadResult *r) { return fromFreeGps(FreeGps::read(file, map, false, r)); });
    detection.run([&](GpsReadResult *r) { return recognisedIf(FreeBox::read(file, map, r)); });
    detection.run([&](GpsReadResult *r) { return recognisedIf(TextTrack::read(file, map, r)); });
    detection.run([&](GpsReadResult *r) { return recognisedIf(Gpmf::read(file, map, r)); });
    detection.run([&](GpsReadResult *r) { return recognisedIf(SeiTelemetry::read(file, map, r)); });
    // Whatever follows udta, read whole: the index after udta that the probe above
    // turned down is read too, since a sentence in any of its blocks counts.
    if (node.nt9666)
        detection.run([&](GpsReadResult *r) { return readNovatek(file, false, TelemetryLayout::NovatekIndex, false, 0, r); });
    detection.run([&](GpsReadResult *r) { return fromFreeGps(FreeGps::read(file, map, true, r)); });
    detection.run([&](GpsReadResult *r) {
        const std::string nmea = SideFiles::nmeaBeside(path);
        return recognisedIf(!nmea.empty() && SideFiles::readNmea(nmea, r));
    });
    detection.run([&](GpsReadResult *r) {
        const std::string gpx = SideFiles::gpxBeside(path);
        return recognisedIf(!gpx.empty() && SideFiles::readGpx(gpx, r));
    });
    detection.finish(result);
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
    try {
        detectAndRead(file, path, &result);
    } catch (...) {
        // No reader throws by design; memory running out is said as such, never thrown
        // out of the thread that reads.
        result = GpsReadResult{};
        result.path = path;
        result.openError = ENOMEM;
    }
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
