// NMEA sentences and coordinate texts: parse_coordinate, ParseRMC, ParseGGA, the field
// splitter, the number reader and the text restore of a GPS block.
#include "AssistFile.h"
#include "TestSupport.h"

#include <climits>

namespace {

struct CoordinateRow {
    const char *name;
    const char *value;
    const char *hemisphere;
    const char *expected;
};

// W = whole part, D = W / 100, minutes = W % 100, M = minutes * 10^n + F,
// decimals = M * 100 / 60 (integer division).
const CoordinateRow kCoordinates[] = {
    // 5130 -> 51 deg 30 min; M = 301234; 30123400 / 60 = 502056
    {"four decimals north", "5130.1234", "N", "51.502056"},
    // 7 -> 0 deg 7 min; M = 76543; 7654300 / 60 = 127571
    {"four decimals west, zero degrees", "00007.6543", "W", "-0.127571"},
    // 12130 -> 121 deg 30 min; M = 3012345; 301234500 / 60 = 5020575
    {"five decimals east", "12130.12345", "E", "121.5020575"},
    // 3112 -> 31 deg 12 min; M = 120000; 12000000 / 60 = 200000
    {"south upper case is negative", "3112.0000", "S", "-31.200000"},
    {"south lower case is positive", "3112.0000", "s", "31.200000"},
    {"west lower case is positive", "3112.0000", "w", "31.200000"},
    {"empty hemisphere is positive", "3112.0000", "", "31.200000"},
    // 5959 -> 59 deg 59 min; M = 599999; 59999900 / 60 = 999998
    {"minutes just below sixty", "5959.9999", "N", "59.999998"},
    // 0 -> 0 deg 0 min; M = 1234; 123400 / 60 = 2056
    {"below one minute", "0.1234", "N", "0.002056"},
    // 3 -> 0 deg 3 min; M = 300001; 30000100 / 60 = 500001
    {"five decimals small", "3.00001", "S", "-0.0500001"},
    {"no point reads as zero", "4807", "N", "0"},
    {"empty value reads as zero", "", "N", "0"},
    {"three decimals gives nothing", "4807.038", "N", ""},
    {"six decimals gives nothing", "4807.038123", "N", ""},
    {"one decimal gives nothing", "4807.0", "N", ""},
    {"point at the end gives nothing", "4807.", "N", ""},
    // the part before the point is read as a number: "48x7" -> 48 -> 0 deg 48 min;
    // M = 480000; 48000000 / 60 = 800000
    {"junk in the whole part", "48x7.0000", "N", "0.800000"},
};

TEST(parse_coordinate_table)
{
    for (const CoordinateRow &r : kCoordinates) {
        tst::Row row(r.name);
        std::string out = "previous";
        parse_coordinate(r.value, r.hemisphere, out);
        CHECK_EQ(out, std::string(r.expected));
    }
}

struct RmcRow {
    const char *name;
    std::string sentence;
    bool parsed;
    const char *lat;
    const char *lgt;
    int speed;
    double course;
    const char *time;
    const char *date;
};

// 4807.0380 N: 48 deg 7 min; M = 70380; 7038000 / 60 = 117300 -> 48.117300
// 01131.0000 E: 11 deg 31 min; M = 310000; 31000000 / 60 = 516666 -> 11.516666
// speed knots x 1.85 truncated: 22.4 -> 41.44 -> 41
const std::string kHead = "$GPRMC,123519,A,4807.0380,N,01131.0000,E,";
const std::string k33 = std::string(24, '0') + "4807.0380";   // 33 characters
const std::string k32 = std::string(23, '0') + "4807.0380";   // 32 characters

const RmcRow kRmc[] = {
    {"fix", kHead + "022.4,084.4,230394,003.1,W*6A", true, "48.117300", "11.516666", 41, 84.4, "123519", "230394"},
    {"status V is used", "$GPRMC,123519,V,4807.0380,N,01131.0000,E,022.4,084.4,230394,003.1,W*6A", true,
     "48.117300", "11.516666", 41, 84.4, "123519", "230394"},
    {"GLRMC like GPRMC", "$GLRMC,123519,A,4807.0380,N,01131.0000,E,022.4,084.4,230394,,,A*6A", true,
     "48.117300", "11.516666", 41, 84.4, "123519", "230394"},
    // 3751 -> 37 deg 51 min; M = 516500 -> 860833; 14507 -> 145 deg 7 min; M = 73600 -> 122666
    {"south and west", "$GPRMC,081836.00,A,3751.6500,S,14507.3600,W,000.0,360.0,130998,011.3,E*62", true,
     "-37.860833", "-145.122666", 0, 360.0, "081836.00", "130998"},
    {"10 knots is 18 km/h", kHead + "10.0,0,010126,,,A*00", true, "48.117300", "11.516666", 18, 0, "123519", "010126"},
    {"0.5 knots is 0 km/h", kHead + "0.5,0,010126,,,A*00", true, "48.117300", "11.516666", 0, 0, "123519", "010126"},
    {"54.1 knots is 100 km/h", kHead + "54.1,0,010126,,,A*00", true, "48.117300", "11.516666", 100, 0, "123519", "010126"},
    {"empty course reads 0, not the date", kHead + "022.4,,230394,003.1,W*6A", true, "48.117300", "11.516666", 41, 0,
     "123519", "230394"},
    {"empty speed reads 0, not the course", kHead + ",084.4,230394,003.1,W*6A", true, "48.117300", "11.516666", 0, 84.4,
     "123519", "230394"},
    {"sentence ends after the position", "$GPRMC,123519,A,4807.0380,N,01131.0000,E", true, "48.117300", "11.516666", 0,
     0, "123519", ""},
    {"line end and checksum are not part of the date", kHead + "022.4,084.4,230394*6A\r\n", true, "48.117300",
     "11.516666", 41, 84.4, "123519", "230394"},
    {"latitude with three decimals gives an empty latitude only", "$GPRMC,123519,A,4807.038,N,01131.0000,E,1,2,230394",
     true, "", "11.516666", 1, 2, "123519", "230394"},
    {"longitude with three decimals gives an empty longitude only", "$GPRMC,123519,A,4807.0380,N,01131.000,E,1,2,230394",
     true, "48.117300", "", 1, 2, "123519", "230394"},
    {"latitude of 32 characters", "$GPRMC,1,A," + k32 + ",N,01131.0000,E,1,2,3", true, "48.117300", "11.516666", 1, 2,
     "1", "3"},
    {"latitude of 33 characters", "$GPRMC,1,A," + k33 + ",N,01131.0000,E,1,2,3", false, "", "", 0, 0, "", ""},
    {"speed of 33 characters", kHead + k33 + ",2,3", false, "", "", 0, 0, "", ""},
    {"no fix with empty position", "$GPRMC,123519,V,,,,,,,230394,,,N*53", false, "", "", 0, 0, "", ""},
    {"empty time", "$GPRMC,,A,4807.0380,N,01131.0000,E,022.4,084.4,230394", false, "", "", 0, 0, "", ""},
    {"empty status", "$GPRMC,123519,,4807.0380,N,01131.0000,E,022.4,084.4,230394", false, "", "", 0, 0, "", ""},
    {"empty latitude hemisphere", "$GPRMC,123519,A,4807.0380,,01131.0000,E,022.4,084.4,230394", false, "", "", 0, 0, "",
     ""},
    {"empty longitude", "$GPRMC,123519,A,4807.0380,N,,E,022.4,084.4,230394", false, "", "", 0, 0, "", ""},
    {"sentence ends before the longitude hemisphere", "$GPRMC,123519,A,4807.0380,N,01131.0000", false, "", "", 0, 0, "",
     ""},
    {"GNRMC is not read", "$GNRMC,123519,A,4807.0380,N,01131.0000,E,022.4,084.4,230394,003.1,W*6A", false, "", "", 0,
     0, "", ""},
    {"GPVTG is not read", "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48", false, "", "", 0, 0, "", ""},
    {"lower case talker is not read", "$gprmc,123519,A,4807.0380,N,01131.0000,E,022.4,084.4,230394", false, "", "", 0, 0,
     "", ""},
    {"empty text", "", false, "", "", 0, 0, "", ""},
    {"speed that is no number reads 0", kHead + "nan,inf,230394", true, "48.117300", "11.516666", 0, 0, "123519",
     "230394"},
    {"huge speed is clamped", kHead + "1e300,-1e300,230394", true, "48.117300", "11.516666", INT_MAX, -1e300, "123519",
     "230394"},
};

TEST(ParseRMC_table)
{
    for (const RmcRow &r : kRmc) {
        tst::Row row(r.name);
        std::string lat = "untouched", lgt = "untouched", time = "untouched", date = "untouched";
        int32_t speed = -7;
        double course = -7;
        CHECK_EQ(AssistFile::ParseRMC(r.sentence, lat, lgt, speed, course, &time, &date), 0);
        if (r.parsed) {
            CHECK_EQ(lat, std::string(r.lat));
            CHECK_EQ(lgt, std::string(r.lgt));
            CHECK_EQ(speed, r.speed);
            CHECK_EQ(course, r.course);
            CHECK_EQ(time, std::string(r.time));
            CHECK_EQ(date, std::string(r.date));
        } else {
            CHECK_EQ(lat, std::string("untouched"));
            CHECK_EQ(lgt, std::string("untouched"));
            CHECK_EQ(speed, -7);
            CHECK_EQ(course, -7.0);
            CHECK_EQ(time, std::string("untouched"));
            CHECK_EQ(date, std::string("untouched"));
        }
    }
}

TEST(ParseRMC_without_time_outputs)
{
    std::string lat, lgt;
    int32_t speed = 0;
    double course = 0;
    AssistFile::ParseRMC(kHead + "022.4,084.4,230394", lat, lgt, speed, course);
    CHECK_EQ(lat, std::string("48.117300"));
    CHECK_EQ(speed, 41);
}

struct GgaRow {
    const char *name;
    std::string sentence;
    bool parsed;
    const char *lat;
    const char *lgt;
};

const GgaRow kGga[] = {
    {"fix", "$GPGGA,123519,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*47", true, "48.117300", "11.516666"},
    {"south west five decimals", "$GPGGA,1,3751.65000,S,14507.36000,W,1,08", true, "-37.8608333", "-145.1226666"},
    {"three decimals give empty texts", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", true, "",
     ""},
    {"no fix", "$GPGGA,123519,,,,,0,00,,,M,,M,,*66", false, "", ""},
    {"empty time", "$GPGGA,,4807.0380,N,01131.0000,E,1,08", false, "", ""},
    {"empty longitude hemisphere", "$GPGGA,1,4807.0380,N,01131.0000,,1,08", false, "", ""},
    {"GNGGA is not read", "$GNGGA,123519,4807.0380,N,01131.0000,E,1,08", false, "", ""},
    {"RMC is not read as GGA", kHead + "022.4,084.4,230394", false, "", ""},
};

TEST(ParseGGA_table)
{
    for (const GgaRow &r : kGga) {
        tst::Row row(r.name);
        std::string lat = "untouched", lgt = "untouched";
        int32_t speed = 77;
        CHECK_EQ(AssistFile::ParseGGA(r.sentence, lat, lgt, speed), 0);
        CHECK_EQ(speed, 77);
        CHECK_EQ(lat, std::string(r.parsed ? r.lat : "untouched"));
        CHECK_EQ(lgt, std::string(r.parsed ? r.lgt : "untouched"));
    }
}

TEST(split_keeps_empty_fields)
{
    const auto f = split_nmea_fields("$GPRMC,,A,,");
    CHECK_EQ(f.size(), size_t(5));
    CHECK(f[1].empty() && f[3].empty() && f[4].empty());
    CHECK_EQ(std::string(f[2]), std::string("A"));
    CHECK_EQ(split_nmea_fields("").size(), size_t(1));
    CHECK_EQ(split_nmea_fields(",").size(), size_t(2));
}

struct NumberRow {
    const char *name;
    const char *text;
    double expected;
};

const NumberRow kNumbers[] = {
    {"plain", "084.4", 84.4},
    {"trailing junk", "12.5kn", 12.5},
    {"empty", "", 0},
    {"letters", "abc", 0},
    {"negative", "-3.5", -3.5},
    {"plus sign", "+2", 2},
    {"leading blank", " 7", 7},
    {"exponent", "1e2", 100},
    {"exponent without digits", "1e", 1},
    {"leading point", ".5", 0.5},
    {"trailing point", "5.", 5},
    {"lone point", ".", 0},
    {"nan", "nan", 0},
    {"inf", "inf", 0},
    {"out of range", "1e999", 0},
    {"hex is not read", "0x10", 0},
    {"comma is no decimal point", "3,5", 3},
};

TEST(read_leading_number_table)
{
    for (const NumberRow &r : kNumbers) {
        tst::Row row(r.name);
        CHECK_EQ(read_leading_number(r.text), r.expected);
    }
}

TEST(RestoreText_stops_at_zero_and_field_end)
{
    // "$GP" shifted by 0x0B: 0x24 -> 0x2F, 0x47 -> 0x52, 0x50 -> 0x5B
    unsigned char t[6] = {0x2F, 0x52, 0x5B, 0x00, 0x40, 0x41};
    CHECK_EQ(AssistFile::RestoreText(t, sizeof t), size_t(3));
    CHECK(t[0] == '$' && t[1] == 'G' && t[2] == 'P');
    CHECK(t[4] == 0x40);   // after the terminator nothing is touched

    // no zero byte: the whole field is restored and the text ends with it
    unsigned char full[128];
    std::memset(full, 'A' + 0x0B, sizeof full);
    CHECK_EQ(AssistFile::RestoreText(full, sizeof full), size_t(128));
    CHECK(full[0] == 'A' && full[127] == 'A');

    // a shifted byte equal to the key restores to zero and ends the sentence there
    unsigned char key[4] = {'A' + 0x0B, 0x0B, 'B' + 0x0B, 0};
    CHECK_EQ(AssistFile::RestoreText(key, sizeof key), size_t(1));

    // subtraction wraps: 0x05 - 0x0B = 0xFA
    unsigned char wrap[2] = {0x05, 0};
    CHECK_EQ(AssistFile::RestoreText(wrap, sizeof wrap), size_t(1));
    CHECK(wrap[0] == 0xFA);
}

} // namespace

TEST_MAIN()
