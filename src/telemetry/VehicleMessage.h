// The message in the video stream of one electric-car maker (VehicleMessage.proto),
// decoded by hand from the protobuf wire format: the core stays a plain library that
// the fuzz harness compiles whole, and a message the camera cut short costs no
// exception or allocation. The rules are protobuf's own, so that the decoder and the
// code protoc makes from the .proto agree on every message (the tests hold them to it):
//  - proto3: a field the message leaves out has its zero value;
//  - a field given twice takes its last value;
//  - a field of another wire type than the .proto says, or of a number it does not
//    know, is stepped over (groups included);
//  - a message that breaks the wire format anywhere (a length past its end, a varint of
//    more than ten bytes, field number 0, a wire type 6 or 7, an end of group without
//    its start, nesting deeper than 100) is no message at all.
#pragma once

#include <cstddef>
#include <cstdint>

struct VehicleMessage {
    uint32_t version = 0;
    int32_t gear = 0;               // VehicleMessage.Gear as written, unknown values too
    uint64_t frameSequence = 0;
    float speedMps = 0;
    float acceleratorPedal = 0;     // 0 to 1
    float steeringDeg = 0;
    bool blinkerLeft = false;
    bool blinkerRight = false;
    bool brake = false;
    int32_t assistance = 0;         // VehicleMessage.AssistanceState as written
    double latitude = 0, longitude = 0;   // degrees
    double headingDeg = 0;
    double accelX = 0, accelY = 0, accelZ = 0;   // m/s²

    // False when `bytes` is not a well-formed message; `out` is then left as it was.
    static bool decode(const unsigned char *bytes, size_t n, VehicleMessage *out);

    static constexpr int kMaxGroupDepth = 100;   // protobuf's own recursion limit
};
