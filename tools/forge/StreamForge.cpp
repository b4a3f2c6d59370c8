#include "StreamForge.h"

#include "VehicleMessage.pb.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr double kGravity = 9.80665;
constexpr int64_t kGpsEpoch = 946684800;   // 2000-01-01 00:00:00 UTC
const int32_t kGps5Scale[5] = {10000000, 10000000, 1000, 1000, 100};
const int32_t kGps9Scale[9] = {10000000, 10000000, 1000, 1000, 100, 1, 1000, 100, 1};

void be(std::vector<uint8_t>& b, uint64_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A KLV item with its data padded to four bytes.
std::vector<uint8_t> klv(const char* key, char type, size_t structSize, size_t repeat, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> b(key, key + 4);
    b.push_back(static_cast<uint8_t>(type));
    b.push_back(static_cast<uint8_t>(structSize));
    be(b, repeat, 2);
    b.insert(b.end(), data.begin(), data.end());
    while (b.size() % 4)
        b.push_back(0);
    return b;
}

std::vector<uint8_t> text(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> nest(const char* key, const std::vector<std::vector<uint8_t>>& items)
{
    std::vector<uint8_t> data;
    for (const auto& i : items)
        data.insert(data.end(), i.begin(), i.end());
    return klv(key, 0, 1, data.size(), data);
}

std::vector<uint8_t> numbers(const int32_t* v, size_t n, int bytes)
{
    std::vector<uint8_t> b;
    for (size_t i = 0; i < n; ++i)
        be(b, static_cast<uint32_t>(v[i]), bytes);
    return b;
}

int32_t rounded(double v)
{
    return static_cast<int32_t>(std::llround(v));
}

bool payloadFix(const TelemetryPoint& first)
{
    return first.fix;
}

// The stored values of a fix: latitude, longitude, altitude, 2D and 3D speed.
void gps5Values(const TelemetryPoint& p, int32_t v[5])
{
    const double speed = p.stopped ? 0.0 : p.speedKmh / 3.6;
    v[0] = rounded(p.latitude * kGps5Scale[0]);
    v[1] = rounded(p.longitude * kGps5Scale[1]);
    v[2] = rounded(35.2 * kGps5Scale[2]);
    v[3] = rounded(speed * kGps5Scale[3]);
    v[4] = rounded(speed * kGps5Scale[4]);
}

int16_t acclValue(int32_t milliG)
{
    return static_cast<int16_t>(std::lround(milliG / 1000.0 * kGravity * StreamForge::kAcclScale));
}

std::string gpsuText(double utc)
{
    const time_t t = static_cast<time_t>(std::floor(utc));
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int ms = static_cast<int>(std::lround((utc - std::floor(utc)) * 1000)) % 1000;
    char b[32];
    std::snprintf(b, sizeof b, "%02d%02d%02d%02d%02d%02d.%03d", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
    return b;
}

std::string degreesText(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.6f", v);
    return b;
}

double wrapDegrees(double d)
{
    while (d > 180)
        d -= 360;
    while (d < -180)
        d += 360;
    return d;
}

} // namespace

bool StreamForge::fromName(const std::string& name, Kind& kind)
{
    static const struct {
        const char* name;
        Kind kind;
    } names[] = {{"gpmf", Kind::Gpmf},        {"gpmf-gps9", Kind::GpmfGps9}, {"gpmf-damaged", Kind::GpmfDamaged},
                 {"gpmd-freegps", Kind::GpmdFreeGps}, {"sei", Kind::Sei},    {"sei-bare", Kind::SeiBare}};
    for (const auto& n : names)
        if (name == n.name) {
            kind = n.kind;
            return true;
        }
    return false;
}

const char* StreamForge::detectedName(Kind kind)
{
    switch (kind) {
    case Kind::Gpmf:
    case Kind::GpmfGps9:
    case Kind::GpmfDamaged: return "gpmf";
    case Kind::GpmdFreeGps: return "freegps";
    case Kind::Sei:
    case Kind::SeiBare: return "sei-protobuf";
    }
    return "none";
}

std::vector<uint8_t> StreamForge::gpmfPayload(Kind kind, size_t k, const TelemetryPoint* fixes,
                                              const TelemetryPoint* readings)
{
    const bool fix = payloadFix(fixes[0]);
    std::vector<std::vector<uint8_t>> gps = {
        klv("STNM", 'c', 24, 1, text("GPS (Lat., Long., Alt.) ")),
        klv("GPSF", 'L', 4, 1, numbers(std::vector<int32_t>{fix ? 3 : 0}.data(), 1, 4)),
        klv("GPSU", 'U', 16, 1, text(gpsuText(fixes[0].utc))),
        klv("GPSP", 'S', 2, 1, numbers(std::vector<int32_t>{fix ? int32_t(120 + k % 50) : 9999}.data(), 1, 2)),
    };
    if (kind == Kind::GpmfGps9) {
        std::vector<uint8_t> data;
        for (int i = 0; i < kFixesPerPayload; ++i) {
            const TelemetryPoint& p = fixes[i];
            int32_t v[5];
            gps5Values(p, v);
            const double sinceEpoch = p.utc - double(kGpsEpoch);
            const int64_t days = static_cast<int64_t>(std::floor(sinceEpoch / 86400));
            const int32_t ms = rounded((sinceEpoch - double(days) * 86400) * 1000);
            const int32_t entry[7] = {v[0], v[1], v[2], v[3], v[4], static_cast<int32_t>(days), ms};
            const std::vector<uint8_t> b = numbers(entry, 7, 4);
            data.insert(data.end(), b.begin(), b.end());
            be(data, p.fix ? 150 : 9999, 2);
            be(data, p.fix ? 3 : 0, 2);
        }
        gps.push_back(klv("TYPE", 'c', 9, 1, text("lllllllSS")));
        gps.push_back(klv("SCAL", 'l', 4, 9, numbers(kGps9Scale, 9, 4)));
        gps.push_back(klv("GPS9", '?', 32, kFixesPerPayload, data));
    } else {
        std::vector<uint8_t> data;
        for (int i = 0; i < kFixesPerPayload; ++i) {
            int32_t v[5];
            gps5Values(fixes[i], v);
            const std::vector<uint8_t> b = numbers(v, 5, 4);
            data.insert(data.end(), b.begin(), b.end());
        }
        gps.push_back(klv("SCAL", 'l', 4, 5, numbers(kGps5Scale, 5, 4)));
        std::vector<uint8_t> item = klv("GPS5", 'l', 20, kFixesPerPayload, data);
        if (damaged(kind, k)) {
            const uint16_t lie = kFixesPerPayload + 100;
            item[6] = static_cast<uint8_t>(lie >> 8);
            item[7] = static_cast<uint8_t>(lie);
        }
        gps.push_back(item);
    }
    std::vector<uint8_t> accel;
    for (int i = 0; i < kReadingsPerPayload; ++i)
        for (int axis = 0; axis < 3; ++axis)
            be(accel, static_cast<uint16_t>(acclValue(readings[i].gsensor[axis])), 2);
    const int32_t scale = static_cast<int32_t>(kAcclScale);
    const std::vector<std::vector<uint8_t>> acclStream = {
        klv("STNM", 'c', 13, 1, text("Accelerometer")),
        klv("SIUN", 'c', 4, 1, text("m/s\xB2")),
        klv("SCAL", 's', 2, 1, numbers(&scale, 1, 2)),
        klv("ACCL", 's', 6, kReadingsPerPayload, accel),
    };
    const int32_t id = 1;
    return nest("DEVC", {klv("DVID", 'L', 4, 1, numbers(&id, 1, 4)), klv("DVNM", 'c', 10, 1, text("VELTRA CAM")),
                         nest("STRM", gps), nest("STRM", acclStream)});
}

std::vector<ExpectedSample> StreamForge::gpmfTruth(Kind kind, const std::vector<TelemetryPoint>& fixes,
                                                   const std::vector<TelemetryPoint>& readings, size_t payloads)
{
    std::vector<ExpectedSample> out;
    for (size_t k = 0; k < payloads; ++k) {
        if (damaged(kind, k))
            continue;
        const bool payloadLock = payloadFix(fixes[k * kFixesPerPayload]);
        for (int i = 0; i < kFixesPerPayload; ++i) {
            const TelemetryPoint& p = fixes[k * kFixesPerPayload + i];
            int32_t v[5];
            gps5Values(p, v);
            ExpectedSample e;
            if (kind == Kind::GpmfGps9 ? p.fix : payloadLock) {
                e.lat = degreesText(double(v[0]) / kGps5Scale[0]);
                e.lon = degreesText(double(v[1]) / kGps5Scale[1]);
                e.spd = static_cast<int>(std::lround(double(v[3]) / kGps5Scale[3] * 3.6));
            }
            // The reading at the fix's share of the payload.
            const TelemetryPoint& r = readings[k * kReadingsPerPayload + size_t(i) * kReadingsPerPayload / kFixesPerPayload];
            for (int axis = 0; axis < 3; ++axis)
                e.g[axis] = static_cast<float>(double(acclValue(r.gsensor[axis])) / kAcclScale / kGravity);
            out.push_back(e);
        }
    }
    return out;
}

ExpectedVehicle StreamForge::vehicleAt(const std::vector<TelemetryPoint>& frames, size_t i, int fps)
{
    // Rates over the second before the frame.
    const size_t back = i >= size_t(fps) ? i - size_t(fps) : 0;
    const TelemetryPoint& p = frames[i];
    const TelemetryPoint& q = frames[back];
    const double seconds = std::max(1e-9, p.utc - q.utc);
    const double kmhPerSecond = i == back ? 0 : (p.speedKmh - q.speedKmh) / seconds;
    const double turn = i == back ? 0 : wrapDegrees(p.courseDeg - q.courseDeg) / seconds;
    ExpectedVehicle v;
    v.brake = kmhPerSecond < -3;
    v.pedal = kmhPerSecond > 0 ? static_cast<float>(std::min(1.0, kmhPerSecond / 15)) : 0.0f;
    v.steering = static_cast<float>(std::round(turn * 8 * 10) / 10);   // a tenth of a degree
    v.left = turn < -8;
    v.right = turn > 8;
    v.gear = p.stopped && p.speedKmh < 0.5 ? veltra::VehicleMessage::GEAR_PARK : veltra::VehicleMessage::GEAR_DRIVE;
    v.assistance = v.brake              ? veltra::VehicleMessage::ASSISTANCE_NONE
                   : p.speedKmh > 60    ? veltra::VehicleMessage::ASSISTANCE_AUTOSTEER
                   : p.speedKmh > 40    ? veltra::VehicleMessage::ASSISTANCE_CRUISE
                                        : veltra::VehicleMessage::ASSISTANCE_NONE;
    return v;
}

std::string StreamForge::message(const TelemetryPoint& p, const ExpectedVehicle& v, uint64_t frame)
{
    veltra::VehicleMessage m;
    m.set_version(1);
    m.set_gear(static_cast<veltra::VehicleMessage::Gear>(v.gear));
    m.set_frame_seq_no(frame);
    m.set_vehicle_speed_mps(static_cast<float>(p.stopped ? 0.0 : p.speedKmh / 3.6));
    m.set_accelerator_pedal_position(v.pedal);
    m.set_steering_wheel_angle(v.steering);
    m.set_blinker_on_left(v.left);
    m.set_blinker_on_right(v.right);
    m.set_brake_applied(v.brake);
    m.set_assistance_state(static_cast<veltra::VehicleMessage::AssistanceState>(v.assistance));
    if (p.fix) {
        m.set_latitude_deg(p.latitude);
        m.set_longitude_deg(p.longitude);
    }
    m.set_heading_deg(p.courseDeg);
    m.set_linear_acceleration_mps2_x(p.gsensor[0] / 1000.0 * kGravity);
    m.set_linear_acceleration_mps2_y(p.gsensor[1] / 1000.0 * kGravity);
    m.set_linear_acceleration_mps2_z(p.gsensor[2] / 1000.0 * kGravity);
    return m.SerializeAsString();
}

std::vector<uint8_t> StreamForge::escaped(const std::vector<uint8_t>& rbsp)
{
    std::vector<uint8_t> out;
    int zeros = 0;
    for (uint8_t b : rbsp) {
        if (zeros >= 2 && b <= 3) {
            out.push_back(3);
            zeros = 0;
        }
        out.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    return out;
}

std::vector<uint8_t> StreamForge::seiUnit(Kind kind, const std::string& message)
{
    static const uint8_t kUuid[16] = {'V', 'E', 'L', 'T', 'R', 'A', ' ', 'C', 'A', 'R', ' ', 'D', 'A', 'T', 'A', '1'};
    static const uint8_t kMagic[4] = {0x42, 0x42, 0x42, 0x69};
    std::vector<uint8_t> body;
    if (kind == Kind::Sei)
        body.insert(body.end(), kUuid, kUuid + 16);
    body.insert(body.end(), kMagic, kMagic + 4);
    body.insert(body.end(), message.begin(), message.end());
    std::vector<uint8_t> rbsp = {5};   // user data unregistered
    size_t size = body.size();
    for (; size >= 255; size -= 255)
        rbsp.push_back(0xFF);
    rbsp.push_back(static_cast<uint8_t>(size));
    rbsp.insert(rbsp.end(), body.begin(), body.end());
    rbsp.push_back(0x80);   // the trailing bits
    std::vector<uint8_t> unit = {0x06};   // NAL header: SEI
    const std::vector<uint8_t> payload = escaped(rbsp);
    unit.insert(unit.end(), payload.begin(), payload.end());
    std::vector<uint8_t> out;
    be(out, unit.size(), 4);
    out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

std::vector<ExpectedSample> StreamForge::seiTruth(const std::vector<TelemetryPoint>& frames, int fps)
{
    std::vector<ExpectedSample> out;
    for (size_t i = 0; i < frames.size(); ++i) {
        const TelemetryPoint& p = frames[i];
        veltra::VehicleMessage m;
        m.ParseFromString(message(p, vehicleAt(frames, i, fps), i));
        ExpectedSample e;
        if (m.latitude_deg() != 0 || m.longitude_deg() != 0) {
            e.lat = degreesText(m.latitude_deg());
            e.lon = degreesText(m.longitude_deg());
        }
        e.spd = static_cast<int>(std::lround(std::fabs(double(m.vehicle_speed_mps())) * 3.6));
        e.course = m.heading_deg() >= 0 && m.heading_deg() <= 360 ? m.heading_deg() : 0;
        e.g[0] = static_cast<float>(m.linear_acceleration_mps2_x() / kGravity);
        e.g[1] = static_cast<float>(m.linear_acceleration_mps2_y() / kGravity);
        e.g[2] = static_cast<float>(m.linear_acceleration_mps2_z() / kGravity);
        e.hasVehicle = true;
        e.vehicle.steering = m.steering_wheel_angle();
        e.vehicle.pedal = m.accelerator_pedal_position();
        e.vehicle.brake = m.brake_applied();
        e.vehicle.left = m.blinker_on_left();
        e.vehicle.right = m.blinker_on_right();
        e.vehicle.gear = m.gear();
        e.vehicle.assistance = m.assistance_state();
        out.push_back(e);
    }
    return out;
}
