// StreamForge: the layouts that record faster than once a second, and what a correct
// reader must report for them. GPMF: one KLV payload a second in a `meta` track whose
// sample entry is `gpmd` (DEVC with a GPS stream of 18 fixes, GPS5 or GPS9, and an ACCL
// stream of 36 readings); a dash camera's `gpmd` track holding freeGPS blocks instead.
// In-stream: an SEI unit with the car's protobuf message (VehicleMessage.proto, written
// by protoc's code) at the start of every video frame.
#pragma once

#include "DriveModel.h"
#include "ReaderTruth.h"

#include <cstdint>
#include <string>
#include <vector>

class StreamForge {
public:
    enum class Kind {
        Gpmf,          // "gpmf": GPS5 with SCAL, GPSU, GPSF, GPSP, and ACCL
        GpmfGps9,      // "gpmf-gps9": GPS9 (a TYPE "lllllllSS", time, DOP and fix per fix)
        GpmfDamaged,   // "gpmf-damaged": every third payload's GPS5 claims 100 fixes more than it holds
        GpmdFreeGps,   // "gpmd-freegps": freeGPS blocks in a `gpmd` track, without index
        Sei,           // "sei": the magic after the 16-byte UUID of the SEI payload
        SeiBare,       // "sei-bare": the magic opening the SEI payload
    };
    static bool fromName(const std::string& name, Kind& kind);
    static bool isGpmd(Kind k) { return k <= Kind::GpmdFreeGps; }
    static const char* detectedName(Kind kind);

    static constexpr int kFixesPerPayload = 18;
    static constexpr int kReadingsPerPayload = 36;
    static constexpr double kAcclScale = 418;   // ACCL units per m/s²

    // Payload k of a recording, from its fixes and readings (kFixesPerPayload and
    // kReadingsPerPayload of them).
    static std::vector<uint8_t> gpmfPayload(Kind kind, size_t k, const TelemetryPoint* fixes,
                                            const TelemetryPoint* readings);
    static bool damaged(Kind kind, size_t k) { return kind == Kind::GpmfDamaged && k % 3 == 2; }
    static std::vector<ExpectedSample> gpmfTruth(Kind kind, const std::vector<TelemetryPoint>& fixes,
                                                 const std::vector<TelemetryPoint>& readings, size_t payloads);

    // What the car reports at frame i of a recording at `fps`, worked out from the drive.
    static ExpectedVehicle vehicleAt(const std::vector<TelemetryPoint>& frames, size_t i, int fps);
    // The protobuf message of frame i, serialised by protoc's code.
    static std::string message(const TelemetryPoint& p, const ExpectedVehicle& v, uint64_t frame);
    // The SEI unit of a message as a frame's sample holds it: a 4-byte length, the NAL
    // header, the SEI syntax with emulation prevention bytes, the trailing bits.
    static std::vector<uint8_t> seiUnit(Kind kind, const std::string& message);
    static std::vector<ExpectedSample> seiTruth(const std::vector<TelemetryPoint>& frames, int fps);

    // Emulation prevention: 00 00 followed by 00..03 gets a 03 between.
    static std::vector<uint8_t> escaped(const std::vector<uint8_t>& rbsp);
};
