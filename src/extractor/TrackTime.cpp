#include "TrackTime.h"


namespace {

bool allDigits(const std::string &s, size_t from, size_t count)
{
    if (from + count > s.size())
        return false;
    for (size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

int number(const std::string &s, size_t from, size_t count)
{
    int v = 0;
    for (size_t i = from; i < from + count; ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

bool validClock(int hour, int minute, int second)
{
    return hour <= 23 && minute <= 59 && second <= 59;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int *y, int *m, int *d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
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

} // namespace

bool TrackTime::validDate(int year, int month, int day)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::optional<std::string> TrackTime::sentenceUtc(const SentenceTime &time)
{
    const std::string &t = time.hhmmss;
    const std::string &d = time.ddmmyy;
    if (!allDigits(t, 0, 6) || d.size() != 6 || !allDigits(d, 0, 6))
        return std::nullopt;
    std::string fraction;
    if (t.size() > 6) {
        if (t[6] != '.' || !allDigits(t, 7, t.size() - 7))
            return std::nullopt;
        fraction = t.substr(7);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
    }
    const int hour = number(t, 0, 2), minute = number(t, 2, 2), second = number(t, 4, 2);
    const int day = number(d, 0, 2), month = number(d, 2, 2), yy = number(d, 4, 2);
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
    std::string name = baseName(path);
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

CivilTime TrackTime::plusSeconds(const CivilTime &time, long long seconds)
{
    long long total = daysFromCivil(time.year, time.month, time.day) * 86400 +
                      time.hour * 3600 + time.minute * 60 + time.second + seconds;
    long long days = total / 86400;
    long long rest = total % 86400;
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
    if (recording)
        return localText(plusSeconds(*recording, static_cast<long long>(index)));
    return {};
}
