#include "ClipTime.h"

#include <algorithm>
#include <cmath>

bool ClipTime::allDigits(const std::string &s, size_t from, size_t count)
{
    if (from + count > s.size())
        return false;
    for (size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

int ClipTime::number(const std::string &s, size_t from, size_t count)
{
    int v = 0;
    for (size_t i = from; i < from + count; ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int *y, int *m, int *d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = static_cast<int>(yoe + era * 400) + (*m <= 2);
}

std::string baseName(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void removeAll(std::string *text, const std::string &what)
{
    for (size_t at; (at = text->find(what)) != std::string::npos;)
        text->erase(at, what.size());
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "yyyy-MM-dd_HH-mm-ss" at the start of a name, as its 14 digits.
bool dashedTime(const std::string &name, std::string *digits)
{
    static const char kPattern[] = "dddd-dd-dd_dd-dd-dd";
    const size_t length = sizeof kPattern - 1;
    if (name.size() < length)
        return false;
    std::string d;
    for (size_t i = 0; i < length; ++i) {
        if (kPattern[i] != 'd' ? name[i] != kPattern[i] : !isDigit(name[i]))
            return false;
        if (kPattern[i] == 'd')
            d.push_back(name[i]);
    }
    *digits = d;
    return true;
}

constexpr struct {
    const char *word;
    char channel;
} kCameraWords[] = {
    {"front", 'F'},
    {"back", 'R'},
    {"left_repeater", ClipTime::kLeftRepeater},
    {"right_repeater", ClipTime::kRightRepeater},
    {"left_pillar", ClipTime::kLeftPillar},
    {"right_pillar", ClipTime::kRightPillar},
};

bool endsWithWord(const std::string &name, const char *word)
{
    const size_t n = std::char_traits<char>::length(word);
    if (name.size() < n + 1 || name[name.size() - n - 1] != '-')
        return false;
    for (size_t i = 0; i < n; ++i) {
        char c = name[name.size() - n + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return true;
}

} // namespace

bool ClipTime::validDate(int year, int month, int day)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool ClipTime::validClock(int hour, int minute, int second)
{
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

std::optional<CivilTime> ClipTime::fromFileName(const std::string &path)
{
    std::string name = baseName(path);
    std::string digits;
    if (dashedTime(name, &digits))
        name = digits;
    removeAll(&name, ".MOV");
    removeAll(&name, "_");
    if (!allDigits(name, 0, 14))
        return std::nullopt;
    CivilTime c{number(name, 0, 4), number(name, 4, 2), number(name, 6, 2),
                number(name, 8, 2), number(name, 10, 2), number(name, 12, 2)};
    if (c.year < 1 || !validDate(c.year, c.month, c.day) ||
        !validClock(c.hour, c.minute, c.second))
        return std::nullopt;
    return c;
}

char ClipTime::channel(const std::string &path)
{
    std::string name = baseName(path);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    for (const auto &camera : kCameraWords)
        if (endsWithWord(name, camera.word))
            return camera.channel;
    if (name.size() < 2 || !isLetter(name.back()) || !isDigit(name[name.size() - 2]))
        return 0;
    const char c = name.back();
    return c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ClipTime::channelName(char channel)
{
    for (const auto &camera : kCameraWords)
        if (camera.channel == channel && !(channel >= 'A' && channel <= 'Z'))
            return camera.word;
    return channel ? std::string(1, channel) : std::string();
}

int ClipTime::channelRank(char channel)
{
    static const char kOrder[] = {'F', 'R', 'I', kLeftRepeater, kRightRepeater, kLeftPillar, kRightPillar};
    for (size_t i = 0; i < sizeof kOrder; ++i)
        if (kOrder[i] == channel)
            return int(i);
    return channel ? int(sizeof kOrder) + static_cast<unsigned char>(channel) : 1000;
}

std::optional<int64_t> ClipTime::sentenceMs(const SentenceTime &time)
{
    const std::string &t = time.hhmmss;
    const std::string &d = time.ddmmyy;
    if (!allDigits(t, 0, 6) || d.size() != 6 || !allDigits(d, 0, 6))
        return std::nullopt;
    int64_t fractionMs = 0;
    if (t.size() > 6) {
        if (t[6] != '.' || !allDigits(t, 7, t.size() - 7))
            return std::nullopt;
        int64_t scale = 100;
        for (size_t i = 7; i < t.size() && scale > 0; ++i, scale /= 10)
            fractionMs += (t[i] - '0') * scale;
    }
    const int yy = number(d, 4, 2);
    CivilTime c{yy >= 80 ? 1900 + yy : 2000 + yy, number(d, 2, 2), number(d, 0, 2),
                number(t, 0, 2), number(t, 2, 2), number(t, 4, 2)};
    if (!validClock(c.hour, c.minute, c.second) || !validDate(c.year, c.month, c.day))
        return std::nullopt;
    return toMs(c) + fractionMs;
}

std::optional<int64_t> ClipTime::startMs(const std::string &path, const GpsReadResult &result)
{
    if (const auto named = fromFileName(path))
        return toMs(*named);
    const size_t n = std::min(result.videoDatas.size(), result.times.size());
    const double perSecond = result.samplesPerSecond > 0 ? result.samplesPerSecond : 1.0;
    for (size_t i = 0; i < n; ++i) {
        const GpsSample &s = result.videoDatas[i];
        if (s.gps_lat.empty() || s.gps_lgt.empty())
            continue;
        if (const auto utc = sentenceMs(result.times[i]))
            return *utc - std::llround(double(i) * 1000.0 / perSecond);
    }
    return std::nullopt;
}

int64_t ClipTime::toMs(const CivilTime &c)
{
    return (daysFromCivil(c.year, c.month, c.day) * 86400 + c.hour * 3600 + c.minute * 60 +
            c.second) * 1000;
}

CivilTime ClipTime::fromMs(int64_t ms)
{
    int64_t seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilTime c;
    civilFromDays(days, &c.year, &c.month, &c.day);
    c.hour = static_cast<int>(rest / 3600);
    c.minute = static_cast<int>(rest / 60 % 60);
    c.second = static_cast<int>(rest % 60);
    return c;
}
