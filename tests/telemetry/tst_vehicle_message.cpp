// The car's message decoder against the code protoc makes from VehicleMessage.proto:
// messages that protobuf itself writes, and every damage done to them (cut short, a
// byte changed, fields added after), are read alike by both: the same verdict, and
// the same values when both read them.
#include "TestSupport.h"
#include "VehicleMessage.h"
#include "VehicleMessage.pb.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

template <typename T>
bool sameBits(T a, T b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameValues(const veltra::VehicleMessage &p, const VehicleMessage &m)
{
    return p.version() == m.version && int32_t(p.gear()) == m.gear && p.frame_seq_no() == m.frameSequence &&
           sameBits(p.vehicle_speed_mps(), m.speedMps) && sameBits(p.accelerator_pedal_position(), m.acceleratorPedal) &&
           sameBits(p.steering_wheel_angle(), m.steeringDeg) && p.blinker_on_left() == m.blinkerLeft &&
           p.blinker_on_right() == m.blinkerRight && p.brake_applied() == m.brake &&
           int32_t(p.assistance_state()) == m.assistance && sameBits(p.latitude_deg(), m.latitude) &&
           sameBits(p.longitude_deg(), m.longitude) && sameBits(p.heading_deg(), m.headingDeg) &&
           sameBits(p.linear_acceleration_mps2_x(), m.accelX) && sameBits(p.linear_acceleration_mps2_y(), m.accelY) &&
           sameBits(p.linear_acceleration_mps2_z(), m.accelZ);
}

std::string hex(const std::string &b)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : b)
        out += std::string{digits[c >> 4], digits[c & 15], ' '};
    return out;
}

// Both decoders on the bytes; false (with the bytes in *first when it is empty) when
// they disagree.
bool agree(const std::string &bytes, std::string *first)
{
    veltra::VehicleMessage p;
    const bool theirs = p.ParseFromString(bytes);
    VehicleMessage m;
    const bool ours = VehicleMessage::decode(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), &m);
    const bool same = theirs == ours && (!ours || sameValues(p, m));
    if (!same && first->empty())
        *first = hex(bytes) + (theirs ? "(protobuf reads it)" : "(protobuf refuses it)");
    return same;
}

std::string varint(uint64_t v)
{
    std::string b;
    for (; v >= 0x80; v >>= 7)
        b += char(v | 0x80);
    return b + char(v);
}

std::string tag(uint32_t field, int wire)
{
    return varint(uint64_t(field) << 3 | uint32_t(wire));
}

veltra::VehicleMessage full()
{
    veltra::VehicleMessage m;
    m.set_version(3);
    m.set_gear(veltra::VehicleMessage::GEAR_DRIVE);
    m.set_frame_seq_no(123456789012ull);
    m.set_vehicle_speed_mps(27.5f);
    m.set_accelerator_pedal_position(0.25f);
    m.set_steering_wheel_angle(-12.5f);
    m.set_blinker_on_left(true);
    m.set_brake_applied(true);
    m.set_assistance_state(veltra::VehicleMessage::ASSISTANCE_AUTOSTEER);
    m.set_latitude_deg(51.5013641);
    m.set_longitude_deg(-0.141890);
    m.set_heading_deg(250.0);
    m.set_linear_acceleration_mps2_x(9.80665);
    m.set_linear_acceleration_mps2_y(-1.5);
    m.set_linear_acceleration_mps2_z(0.25);
    return m;
}

} // namespace

TEST(VehicleMessage_agrees_with_protobuf)
{
    veltra::VehicleMessage odd;   // values at their edges
    odd.set_version(std::numeric_limits<uint32_t>::max());
    odd.set_gear(static_cast<veltra::VehicleMessage::Gear>(7));
    odd.set_frame_seq_no(std::numeric_limits<uint64_t>::max());
    odd.set_vehicle_speed_mps(-0.0f);
    odd.set_accelerator_pedal_position(std::numeric_limits<float>::quiet_NaN());
    odd.set_steering_wheel_angle(std::numeric_limits<float>::infinity());
    odd.set_assistance_state(static_cast<veltra::VehicleMessage::AssistanceState>(-3));
    odd.set_latitude_deg(-90);
    odd.set_linear_acceleration_mps2_z(std::numeric_limits<double>::denorm_min());
    veltra::VehicleMessage parked;   // what a parked car may send
    parked.set_version(1);
    parked.set_frame_seq_no(9);
    const struct {
        const char *name;
        veltra::VehicleMessage message;
    } rows[] = {
        {"every field", full()},
        {"no field", veltra::VehicleMessage()},
        {"values at their edges, unknown enumeration values", odd},
        {"parked: few fields", parked},
    };
    for (const auto &r : rows) {
        tst::Row row(r.name);
        const std::string bytes = r.message.SerializeAsString();
        std::string first;
        // As written, and the decoded values as set.
        VehicleMessage m;
        CHECK(VehicleMessage::decode(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), &m));
        CHECK(sameValues(r.message, m));
        size_t tried = 0, disagreements = 0;
        const auto check = [&](const std::string &b) {
            ++tried;
            disagreements += !agree(b, &first);
        };
        check(bytes);
        // Cut short anywhere.
        for (size_t n = 0; n < bytes.size(); ++n)
            check(bytes.substr(0, n));
        // A byte changed anywhere, to values that change tags, wire types, varint ends and lengths.
        for (size_t i = 0; i < bytes.size(); ++i)
            for (unsigned char v : {0x00, 0x01, 0x02, 0x03, 0x04, 0x07, 0x0F, 0x7F, 0x80, 0xFF}) {
                std::string b = bytes;
                b[i] = char(v);
                check(b);
                b[i] = char(uint8_t(bytes[i]) ^ 0x07);
                check(b);
            }
        // Fields after it: unknown ones of each wire type, known ones again or of another
        // type, groups, huge lengths, overlong varints.
        const std::string after[] = {
            tag(99, 0) + varint(5),
            tag(99, 1) + std::string(8, '\x11'),
            tag(99, 2) + varint(3) + "abc",
            tag(99, 5) + std::string(4, '\x22'),
            tag(99, 3) + tag(4, 5) + "\x01\x02\x03\x04" + tag(99, 4),
            tag(99, 3) + tag(98, 3) + tag(98, 4) + tag(99, 4),
            tag(99, 3),
            tag(99, 4),
            tag(4, 5) + std::string("\x00\x00\x80\x3F", 4),
            tag(4, 0) + varint(1),
            tag(11, 5) + "\x01\x02\x03\x04",
            tag(9, 0) + varint(0),
            tag(9, 0) + std::string(9, '\xFF') + '\x01',
            tag(9, 0) + std::string(10, '\xFF') + '\x01',
            tag(2, 0) + varint(~uint64_t(0)),
            tag(97, 2) + varint(0xFFFFFFFFull),
            tag(97, 2) + varint(0x7FFFFFF0ull),
            tag(97, 2) + "\x83\x80\x80\x80\x00" "abc",
            std::string("\x80\x80\x80\x80\x10", 5),
            std::string("\xA5\x80\x80\x80\x1F", 5) + "\x01\x02\x03\x04",
            tag(0, 2) + varint(0),
            tag(5, 6),
            tag(5, 7),
        };
        for (const std::string &a : after) {
            check(bytes + a);
            check(a + bytes);
        }
        CHECK(tried > bytes.size() * 20);
        if (!CHECK_EQ(disagreements, size_t(0)))
            std::fprintf(stderr, "  first: %s\n", first.c_str());
    }
}

// Random messages made of the message's own field numbers and a few others, every
// wire type, lengths and varints of every size: both decoders agree on each.
TEST(VehicleMessage_random_inputs_agree)
{
    uint64_t state = 0x9E3779B97F4A7C15ull;
    const auto next = [&state](uint32_t n) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return uint32_t(state % n);
    };
    std::string first;
    size_t disagreements = 0, readByBoth = 0;
    const int kInputs = 20000;
    for (int i = 0; i < kInputs; ++i) {
        std::string b;
        const uint32_t fields = next(8);
        for (uint32_t f = 0; f < fields; ++f) {
            const uint32_t field = next(10) < 8 ? 1 + next(16) : next(3) == 0 ? 0 : 17 + next(100000);
            const int wire = next(8) < 6 ? int(next(6)) : int(next(8));
            b += tag(field, wire);
            switch (wire) {
            case 0: b += varint(next(2) ? next(300) : (uint64_t(next(0xFFFFFFFFu)) << 32 | next(0xFFFFFFFFu))); break;
            case 1: for (int k = 0; k < 8; ++k) b += char(next(256)); break;
            case 2: {
                const uint32_t n = next(6);
                b += varint(next(20) == 0 ? n + next(10) : n);
                for (uint32_t k = 0; k < n; ++k)
                    b += char(next(256));
                break;
            }
            case 5: for (int k = 0; k < 4; ++k) b += char(next(256)); break;
            default: break;
            }
        }
        if (next(4) == 0 && !b.empty())
            b.resize(next(uint32_t(b.size())));
        if (next(8) == 0 && !b.empty())
            b[next(uint32_t(b.size()))] = char(next(256));
        disagreements += !agree(b, &first);
        veltra::VehicleMessage p;
        readByBoth += p.ParseFromString(b);
    }
    // Both verdicts come up often enough to count.
    CHECK(readByBoth > kInputs / 10 && readByBoth < kInputs * 9 / 10);
    if (!CHECK_EQ(disagreements, size_t(0)))
        std::fprintf(stderr, "  first: %s\n", first.c_str());
}

TEST_MAIN()
