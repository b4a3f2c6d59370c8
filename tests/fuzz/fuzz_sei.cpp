// libFuzzer target: one input is the start of a video frame. Its first byte chooses
// the codec and the size of the NAL length fields, the rest is the frame: the NAL walk
// up to the first slice, the SEI syntax and the car's message decoder run on it. The
// rest is also taken as one SEI unit and as one message on its own; where the build has
// protobuf (VELTRA_FUZZ_PROTOBUF), the hand decoder must agree with protoc's code on it.
#include "SeiTelemetry.h"
#include "VehicleMessage.h"

#ifdef VELTRA_FUZZ_PROTOBUF
#include "VehicleMessage.pb.h"
#endif

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void checkMoment(const VehicleMessage &m)
{
    const TelemetryMoment t = SeiTelemetry::moment(m);
    if (!t.vehicle)
        broken("a message without what the car reported");
    if (t.hasFix && !(std::fabs(t.latitude) <= 90 && std::fabs(t.longitude) <= 180))
        broken("a position out of range");
    if (t.hasSpeed && !(t.speedKmh >= 0 && std::isfinite(t.speedKmh)))
        broken("a speed below 0 or not finite");
    if (t.hasCourse && !(t.course >= 0 && t.course <= 360))
        broken("a course out of range");
    if (!std::isfinite(t.vehicle->steeringDeg) || !std::isfinite(t.vehicle->pedal))
        broken("a steering angle or pedal not finite");
}

#ifdef VELTRA_FUZZ_PROTOBUF
template <typename T>
bool sameBits(T a, T b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const SeiTelemetry::Codec codec = data[0] & 1 ? SeiTelemetry::Codec::H265 : SeiTelemetry::Codec::H264;
    static const int kLengthSizes[] = {4, 2, 1, 3};
    const int lengthSize = kLengthSizes[(data[0] >> 1) & 3];
    const uint8_t *frame = data + 1;
    const size_t n = size - 1;

    VehicleMessage m;
    if (SeiTelemetry::frameMessage(frame, n, codec, lengthSize, &m))
        checkMoment(m);
    if (SeiTelemetry::seiMessage(frame, n, codec, &m))
        checkMoment(m);

    VehicleMessage ours;
    const bool read = VehicleMessage::decode(frame, n, &ours);
    if (read)
        checkMoment(ours);
#ifdef VELTRA_FUZZ_PROTOBUF
    veltra::VehicleMessage theirs;
    if (theirs.ParseFromArray(frame, int(n)) != read)
        broken("the decoder and protobuf differ on whether this is a message");
    if (read && !(theirs.version() == ours.version && int32_t(theirs.gear()) == ours.gear &&
                  theirs.frame_seq_no() == ours.frameSequence &&
                  sameBits(theirs.vehicle_speed_mps(), ours.speedMps) &&
                  sameBits(theirs.accelerator_pedal_position(), ours.acceleratorPedal) &&
                  sameBits(theirs.steering_wheel_angle(), ours.steeringDeg) &&
                  theirs.blinker_on_left() == ours.blinkerLeft && theirs.blinker_on_right() == ours.blinkerRight &&
                  theirs.brake_applied() == ours.brake && int32_t(theirs.assistance_state()) == ours.assistance &&
                  sameBits(theirs.latitude_deg(), ours.latitude) && sameBits(theirs.longitude_deg(), ours.longitude) &&
                  sameBits(theirs.heading_deg(), ours.headingDeg) &&
                  sameBits(theirs.linear_acceleration_mps2_x(), ours.accelX) &&
                  sameBits(theirs.linear_acceleration_mps2_y(), ours.accelY) &&
                  sameBits(theirs.linear_acceleration_mps2_z(), ours.accelZ)))
        broken("the decoder and protobuf read different values");
#endif
    return 0;
}
