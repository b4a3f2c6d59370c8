// Reader of telemetry inside the video stream, as one electric-car maker records it: in
// every frame of the H.264 or H.265 video track an SEI unit of user data unregistered
// (payload type 5) whose body starts 42 42 42 69, followed by a protobuf message
// (VehicleMessage). The four bytes may open the 16-byte UUID field or follow it; both
// are taken.
//
// Only the start of each frame is read: its NAL units (each after a BE length of the
// size avcC or hvcC gives) up to the first slice, in one small read per frame and
// another only for an SEI unit reaching past it. Emulation prevention bytes (00 00 03)
// are removed before the SEI syntax is read. One sample per frame, so that the samples
// keep the frames' even spacing: a frame without a message gives a sample with nothing
// in it. Before reading every frame, frames spread through the clip are probed: a
// video none of whose probes carries a message is no telemetry.
#pragma once

#include "GpsSample.h"
#include "TelemetryMoment.h"
#include "VehicleMessage.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class BinaryFile;
struct MovieMap;

class SeiTelemetry {
public:
    SeiTelemetry() = delete;

    enum class Codec { H264, H265 };

    // Reads `count` bytes at `offset` of the frame into `out`; the number read.
    using FrameReader = std::function<size_t(size_t offset, unsigned char *out, size_t count)>;

    // The first message in the NAL units of a frame of `frameBytes` bytes, read through
    // `read`; false when none comes before the first slice (or a unit that does not fit).
    static bool frameMessage(const FrameReader &read, size_t frameBytes, Codec codec, int lengthSize,
                             VehicleMessage *message);
    // The same for a frame held in memory.
    static bool frameMessage(const unsigned char *frame, size_t n, Codec codec, int lengthSize, VehicleMessage *message);
    // The message of one SEI unit's payload bytes (emulation prevention still in), its NAL
    // header included; false when it carries none.
    static bool seiMessage(const unsigned char *unit, size_t n, Codec codec, VehicleMessage *message);
    // The moment a message gives: position, speed, heading, acceleration in g and what
    // the car reported.
    static TelemetryMoment moment(const VehicleMessage &message);

    static bool read(BinaryFile &file, const MovieMap &map, GpsReadResult *result);
    // The codec of the first H.264 or H.265 video track of the movie at `path`; none
    // for any other video, or a file that is no movie.
    static std::optional<Codec> videoCodec(const std::string &path);

    static constexpr size_t kFrameReadBytes = 256;    // the first read of each frame
    static constexpr size_t kMaxSeiBytes = 4096;      // larger SEI units are stepped over
    static constexpr int kMaxUnitsPerFrame = 32;
    static constexpr size_t kMaxFrames = 1 << 20;     // eight hours at 36 frames a second
    static constexpr double kMaxFramesPerSecond = 120;
    static constexpr int kProbes = 16;
    static constexpr int kMaxTracks = 16;
};
