// NmeaWriter: the NMEA 0183 sentences a dash camera's receiver writes for one sample
// ($GPRMC with or without fix, $GPGGA), with degrees-and-minutes coordinates of four
// or five decimals and a correct checksum, and the byte shift the cameras store them with.
#pragma once

#include "DriveModel.h"

#include <cstdint>
#include <string>
#include <vector>

class NmeaWriter {
public:
    // "ddmm.mmmm" (latitude) or "dddmm.mmmm" (longitude), five decimals on request;
    // the hemisphere letter goes to `hemisphere`.
    static std::string coordinate(double degrees, bool latitude, bool fiveDecimals, char& hemisphere);
    static std::string rmc(const TelemetryPoint& p);
    static std::string gga(const TelemetryPoint& p);
    // "*hh" checksum over the characters between '$' and '*', then CR LF.
    static std::string withChecksum(const std::string& body);
    // The stored form: every byte raised by the camera's key.
    static std::vector<uint8_t> shifted(const std::string& sentence);

    static constexpr uint8_t kTextKey = 0x0B;
};
