#include "TrackTime.h"

#include <cmath>
#include <ctime>

namespace {

bool validClock(int hour, int minute, int second)
{
    return ClipTime::validClock(hour, minute, second);
}

} // namespace

bool TrackTime::validDate(int year, int month, int day)
{
    return ClipTime::validDate(year, month, day);
}

std::optional<std::string> TrackTime::sentenceUtc(const SentenceTime &time)
{
    const std::string &t = time.hhmmss;
    const std::string &d = time.ddmmyy;
    if (!ClipTime::allDigits(t, 0, 6) || d.size() != 6 || !ClipTime::allDigits(d, 0, 6))
        return std::nullopt;
    std::string fraction;
    if (t.size() > 6) {
        if (t[6] != '.' || !ClipTime::allDigits(t, 7, t.size() - 7))
            return std::nullopt;
        fraction = t.substr(7);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
    }
    const int hour = ClipTime::number(t, 0, 2), minute = ClipTime::number(t, 2, 2), second = ClipTime::number(t, 4, 2);
    const int day = ClipTime::number(d, 0, 2), month = ClipTime::number(d, 2, 2), yy = ClipTime::number(d, 4, 2);
    const int year = yy >= 80 ? 1900 + yy : 2000 + yy;
    if (!validClock(hour, minute, second) || !validDate(year, month, day))
        return std::nullopt;
    CivilTime c{year, month, day, hour, minute, second};
    std::string text = localText(c);
    if (!fraction.empty())
        text += '.' + fraction;
    return text + 'Z';
}

std::optional<CivilTime> TrackTime::fromFileName(const std::string &path)
{
    return ClipTime::fromFileName(path);
}

CivilTime TrackTime::plusSeconds(const CivilTime &time, long long seconds)
{
    return ClipTime::fromMs(ClipTime::toMs(time) + seconds * 1000);
}

std::string TrackTime::localText(const CivilTime &c)
{
    // Written by hand: this runs for every track point.
    std::string year = std::to_string(c.year);
    if (year.size() < 4)
        year.insert(0, 4 - year.size(), '0');
    std::string rest = "-00-00T00:00:00";
    const auto put = [&rest](size_t at, int value) {
        rest[at] = static_cast<char>('0' + value / 10 % 10);
        rest[at + 1] = static_cast<char>('0' + value % 10);
    };
    put(1, c.month);
    put(4, c.day);
    put(7, c.hour);
    put(10, c.minute);
    put(13, c.second);
    return year + rest;
}

std::string TrackTime::pointTime(const GpsReadResult &result, size_t index,
                                 const std::optional<CivilTime> &recording)
{
    if (index < result.times.size()) {
        if (auto utc = sentenceUtc(result.times[index]))
            return *utc;
    }
    if (!recording)
        return {};
    if (result.samplesPerSecond == 1 || !(result.samplesPerSecond > 0))
        return localText(plusSeconds(*recording, static_cast<long long>(index)));
    // Samples faster than one a second (a sample per video frame): the time of each, to the ms.
    const int64_t ms = ClipTime::toMs(*recording) + std::llround(double(index) * 1000.0 / result.samplesPerSecond);
    std::string text = localText(ClipTime::fromMs(ms));
    if (const int64_t fraction = ((ms % 1000) + 1000) % 1000) {
        std::string digits = std::to_string(fraction + 1000).substr(1);
        while (digits.back() == '0')
            digits.pop_back();
        text += '.' + digits;
    }
    return text;
}

namespace {

// ".5", ".25", ".125": the milliseconds without their trailing zeros; empty for none.
std::string fraction(int64_t ms)
{
    int rest = static_cast<int>(((ms % 1000) + 1000) % 1000);
    if (rest == 0)
        return {};
    std::string text = ".";
    for (int scale = 100; scale > 0 && rest > 0; scale /= 10) {
        text += static_cast<char>('0' + rest / scale);
        rest %= scale;
    }
    return text;
}

} // namespace

std::string TrackTime::utcText(int64_t utcMs)
{
    return localText(ClipTime::fromMs(utcMs)) + fraction(utcMs) + 'Z';
}

std::string TrackTime::cameraText(int64_t cameraMs)
{
    return localText(ClipTime::fromMs(cameraMs)) + fraction(cameraMs);
}

std::string TrackTime::offsetText(int64_t utcMs, int offsetSeconds)
{
    const int64_t local = utcMs + int64_t(offsetSeconds) * 1000;
    const int minutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
    std::string zone = offsetSeconds < 0 ? "-00:00" : "+00:00";
    zone[1] = static_cast<char>('0' + minutes / 600 % 10);
    zone[2] = static_cast<char>('0' + minutes / 60 % 10);
    zone[4] = static_cast<char>('0' + minutes % 60 / 10);
    zone[5] = static_cast<char>('0' + minutes % 10);
    return localText(ClipTime::fromMs(local)) + fraction(local) + zone;
}

int TrackTime::zoneOffsetSeconds(int64_t utcMs)
{
    const time_t t = static_cast<time_t>(utcMs / 1000 - (utcMs % 1000 < 0 ? 1 : 0));
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return 0;
    return static_cast<int>(tm.tm_gmtoff);
}

std::string TrackTime::momentText(std::optional<int64_t> utcMs, std::optional<int64_t> cameraMs, TimeBasis basis)
{
    if (basis == TimeBasis::Camera && cameraMs)
        return cameraText(*cameraMs);
    if (utcMs)
        return basis == TimeBasis::Local ? offsetText(*utcMs, zoneOffsetSeconds(*utcMs)) : utcText(*utcMs);
    return cameraMs ? cameraText(*cameraMs) : std::string();
}

std::string TrackTime::pointTime(const GpsReadResult &result, size_t index, const ClipClock &clock, TimeBasis basis)
{
    return momentText(clock.sampleUtc(result.samples, index), clock.sampleCamera(result.samples, index), basis);
}
