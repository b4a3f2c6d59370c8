#include "PlayListFile.h"

#include "common/SafeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

constexpr char kMagic[4] = {'V', 'P', 'L', 'S'};
constexpr quint32 kVersion = 5;
constexpr int kHeaderSize = 4 + 4 + 8 + 16;
// A play list of a few hundred files of a few hundred samples packs into a few MB;
// anything claiming more than this is not ours.
constexpr quint64 kMaxPacked = quint64(1) << 30;
// The fewest packed bytes a sample can take: one speed delta, two empty texts (prefix and
// suffix length each), the heading and three G-sensor values.
constexpr qsizetype kMinSampleBytes = 1 + 2 + 2 + 8 + 3 * 4;
// Format 2: a byte a sample for what its camera recorded; format 3 adds whether it has
// a UTC time and what the car reported.
constexpr quint8 kHasSpeed = 1, kHasCourse = 2, kHasG = 4, kHasUtc = 8, kHasVehicle = 16;
constexpr quint8 kBrake = 1, kBlinkerLeft = 2, kBlinkerRight = 4;

// The layouts as the file numbers them, whatever order the program lists them in.
// Format 2 numbered them by that order, which put the side files at 8 and 9 before the
// track and in-stream layouts came, and at 10 and 11 after: those files read 8 to 11 as
// the side files (what most lists written then held).
constexpr TelemetryLayout kLayoutCodes[] = {
    TelemetryLayout::None,       TelemetryLayout::Unreadable, TelemetryLayout::NovatekTables,
    TelemetryLayout::NovatekIndex, TelemetryLayout::Icat6330, TelemetryLayout::FreeGps,
    TelemetryLayout::FreeBox,    TelemetryLayout::TextTrack,  TelemetryLayout::NmeaFile,
    TelemetryLayout::GpxFile,    TelemetryLayout::Gpmf,       TelemetryLayout::SeiProtobuf,
};
constexpr quint64 kLayoutCount = sizeof kLayoutCodes / sizeof kLayoutCodes[0];

quint64 layoutCode(TelemetryLayout layout)
{
    for (quint64 c = 0; c < kLayoutCount; ++c)
        if (kLayoutCodes[c] == layout)
            return c;
    return 0;
}

std::optional<TelemetryLayout> layoutOfCode(quint64 code, quint32 version)
{
    if (code >= kLayoutCount)
        return std::nullopt;
    if (version == 2 && code >= 8)
        return code % 2 ? TelemetryLayout::GpxFile : TelemetryLayout::NmeaFile;
    return kLayoutCodes[code];
}

class Packer {
public:
    QByteArray out;

    void varint(quint64 v)
    {
        while (v >= 0x80) {
            out.append(char(v | 0x80));
            v >>= 7;
        }
        out.append(char(v));
    }
    void zigzag(qint64 v) { varint((quint64(v) << 1) ^ quint64(v >> 63)); }
    void bytes(const char *p, qsizetype n) { out.append(p, n); }

    // Values XOR-ed with their predecessor, written one byte plane at a time (high first).
    template <class Bits, class Get>
    void planes(qsizetype n, Get get)
    {
        constexpr int width = int(sizeof(Bits));
        const qsizetype start = out.size();
        out.resize(start + n * width);
        char *base = out.data() + start;
        Bits prev = 0;
        for (qsizetype k = 0; k < n; ++k) {
            const Bits cur = get(k);
            const Bits x = cur ^ prev;
            prev = cur;
            for (int b = 0; b < width; ++b)
                base[b * n + k] = char((x >> (8 * (width - 1 - b))) & 0xff);
        }
    }
};

class Unpacker {
public:
    Unpacker(const char *p, qsizetype n) : p_(p), end_(p + n) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return p_ == end_; }
    qsizetype left() const { return end_ - p_; }

    quint64 varint()
    {
        quint64 v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (p_ == end_)
                return fail();
            const quint8 b = quint8(*p_++);
            v |= quint64(b & 0x7f) << shift;
            if (!(b & 0x80))
                return v;
        }
        return fail();
    }
    qint64 zigzag()
    {
        const quint64 v = varint();
        return qint64(v >> 1) ^ -qint64(v & 1);
    }
    quint8 byte()
    {
        if (p_ == end_)
            return quint8(fail());
        return quint8(*p_++);
    }
    const char *take(quint64 n)
    {
        if (n > quint64(left())) {
            fail();
            return nullptr;
        }
        const char *at = p_;
        p_ += n;
        return at;
    }
    template <class Bits, class Set>
    bool planes(qsizetype n, Set set)
    {
        constexpr int width = int(sizeof(Bits));
        const char *base = take(quint64(n) * width);
        if (!base)
            return false;
        Bits prev = 0;
        for (qsizetype k = 0; k < n; ++k) {
            Bits x = 0;
            for (int b = 0; b < width; ++b)
                x = Bits(x << 8) | Bits(quint8(base[b * n + k]));
            prev ^= x;
            set(k, prev);
        }
        return true;
    }

private:
    quint64 fail()
    {
        ok_ = false;
        p_ = end_;
        return 0;
    }
    const char *p_;
    const char *end_;
    bool ok_ = true;
};

template <class To, class From>
To bitsOf(From v)
{
    static_assert(sizeof(To) == sizeof(From));
    To t;
    std::memcpy(&t, &v, sizeof t);
    return t;
}

void packText(Packer &pk, const std::string &prev, const std::string &cur)
{
    size_t common = 0;
    while (common < prev.size() && common < cur.size() && prev[common] == cur[common])
        ++common;
    pk.varint(common);
    pk.varint(cur.size() - common);
    pk.bytes(cur.data() + common, qsizetype(cur.size() - common));
}

bool unpackText(Unpacker &up, const std::string &prev, std::string *cur)
{
    const quint64 common = up.varint();
    const quint64 rest = up.varint();
    if (!up.ok() || common > prev.size())
        return false;
    const char *p = up.take(rest);
    if (!p && rest)
        return false;
    cur->assign(prev, 0, size_t(common));
    cur->append(p ? p : "", size_t(rest));
    return true;
}

void packMoment(Packer &pk, const MomentMarks &marks)
{
    pk.varint(quint64(marks.size()));
    for (auto m = marks.cbegin(); m != marks.cend(); ++m) {
        const QByteArray name = m.key().toUtf8();
        const QByteArray json = QJsonDocument(m.value().toJson()).toJson(QJsonDocument::Compact);
        pk.varint(quint64(name.size()));
        pk.bytes(name.constData(), name.size());
        pk.varint(quint64(json.size()));
        pk.bytes(json.constData(), json.size());
    }
}

QByteArray packList(const PlayList &list, const KeptMarks &kept)
{
    Packer pk;
    pk.varint(quint64(list.size()));
    for (const PlayListEntry &e : list) {
        const QByteArray path = e.path.toUtf8();
        pk.varint(quint64(path.size()));
        pk.bytes(path.constData(), path.size());
        pk.zigzag(e.maxSpeed);
        pk.out.append(char((e.isInChina ? 1 : 0) | (e.active ? 2 : 0) | (e.startMs ? 4 : 0) |
                           (e.durationMs >= 0 ? 8 : 0)));
        if (e.startMs)
            pk.zigzag(*e.startMs);
        if (e.durationMs >= 0)
            pk.zigzag(e.durationMs);
        const QList<GpsSample> &s = e.gpsData;
        const qsizetype n = s.size();
        pk.varint(quint64(n));
        qint64 prevSpd = 0;
        for (const GpsSample &g : s) {
            pk.zigzag(qint64(g.spd) - prevSpd);
            prevSpd = g.spd;
        }
        std::string prev;
        for (const GpsSample &g : s) {
            packText(pk, prev, g.gps_lat);
            prev = g.gps_lat;
        }
        prev.clear();
        for (const GpsSample &g : s) {
            packText(pk, prev, g.gps_lgt);
            prev = g.gps_lgt;
        }
        pk.planes<quint64>(n, [&](qsizetype k) { return bitsOf<quint64>(s[k].north_angle); });
        pk.planes<quint32>(n, [&](qsizetype k) { return bitsOf<quint32>(s[k].gsensor_x); });
        pk.planes<quint32>(n, [&](qsizetype k) { return bitsOf<quint32>(s[k].gsensor_y); });
        pk.planes<quint32>(n, [&](qsizetype k) { return bitsOf<quint32>(s[k].gsensor_z); });
    }
    // Formats 2 and 3: what the text samples cannot say.
    for (const PlayListEntry &e : list) {
        pk.varint(layoutCode(e.layout));
        const QByteArray track = e.attachedTrack.toUtf8();
        pk.varint(quint64(track.size()));
        pk.bytes(track.constData(), track.size());
        const bool typed = e.telemetry && qsizetype(e.telemetry->size()) == e.gpsData.size();
        pk.out.append(char(typed ? 1 : 0));
        if (!typed)
            continue;
        const std::vector<TelemetrySample> &samples = *e.telemetry;
        QList<const TelemetrySample *> cars;
        for (const TelemetrySample &t : samples) {
            pk.out.append(char((t.hasSpeed ? kHasSpeed : 0) | (t.hasCourse ? kHasCourse : 0) | (t.hasG ? kHasG : 0) |
                               (t.utcMs ? kHasUtc : 0) | (t.vehicle ? kHasVehicle : 0)));
            if (t.vehicle)
                cars << &t;
        }
        qint64 prevUtc = 0;
        for (const TelemetrySample &t : samples)
            if (t.utcMs) {
                pk.zigzag(qint64(quint64(*t.utcMs) - quint64(prevUtc)));
                prevUtc = *t.utcMs;
            }
        const qsizetype v = cars.size();
        pk.planes<quint32>(v, [&](qsizetype k) { return bitsOf<quint32>(cars[k]->vehicle->steeringDeg); });
        pk.planes<quint32>(v, [&](qsizetype k) { return bitsOf<quint32>(cars[k]->vehicle->pedal); });
        for (const TelemetrySample *t : cars) {
            const TelemetrySample::Vehicle &car = *t->vehicle;
            pk.out.append(char((car.brake ? kBrake : 0) | (car.blinkerLeft ? kBlinkerLeft : 0) |
                               (car.blinkerRight ? kBlinkerRight : 0)));
            pk.out.append(char(int(car.gear)));
            pk.out.append(char(int(car.assistance)));
        }
    }
    // Format 4: each entry's marks, per camera file name a JSON text; then the marks kept
    // for clips no longer listed.
    for (const PlayListEntry &e : list)
        packMoment(pk, e.marks);
    pk.varint(quint64(kept.size()));
    for (auto k = kept.cbegin(); k != kept.cend(); ++k) {
        const QByteArray path = k.key().toUtf8();
        pk.varint(quint64(path.size()));
        pk.bytes(path.constData(), path.size());
        packMoment(pk, k.value());
    }
    // Format 5: each entry's health as found when it was added (a byte; where it ends
    // early, the milliseconds that play), so that a broken file still says so.
    for (const PlayListEntry &e : list) {
        pk.out.append(char(int(e.health.kind)));
        if (e.health.kind == RecordingHealth::Kind::EndsEarly)
            pk.varint(quint64(std::llround(std::max(0.0, e.health.playableSeconds) * 1000.0)));
    }
    return pk.out;
}

// One moment's marks of format 4. A camera's marks that do not read as marks are left
// out; a section cut short fails the file.
bool unpackMoment(Unpacker &up, MomentMarks *out)
{
    const quint64 cameras = up.varint();
    if (!up.ok() || cameras > quint64(up.left()) / 2)
        return false;
    for (quint64 c = 0; c < cameras; ++c) {
        const quint64 nameLen = up.varint();
        const char *name = up.ok() ? up.take(nameLen) : nullptr;
        const quint64 jsonLen = up.ok() ? up.varint() : 0;
        const char *json = up.ok() ? up.take(jsonLen) : nullptr;
        if (!up.ok() || (!name && nameLen) || (!json && jsonLen))
            return false;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json, qsizetype(jsonLen)), &error);
        const std::optional<RedactMarks> marks =
            error.error == QJsonParseError::NoError && doc.isObject() ? RedactMarks::fromJson(doc.object())
                                                                     : std::nullopt;
        const QString camera = QString::fromUtf8(name, qsizetype(nameLen));
        if (marks && !camera.isEmpty() && !marks->isEmpty())
            out->insert(camera, *marks);
    }
    return true;
}

bool unpackMarks(Unpacker &up, PlayList &list, KeptMarks *kept, QString *reason)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (!unpackMoment(up, &list[i].marks)) {
            *reason = QStringLiteral("entry %1: bad marks").arg(i);
            return false;
        }
    const quint64 clips = up.varint();
    if (!up.ok() || clips > quint64(up.left()) / 2) {
        *reason = QStringLiteral("bad kept marks count");
        return false;
    }
    for (quint64 k = 0; k < clips; ++k) {
        const quint64 pathLen = up.varint();
        const char *path = up.ok() ? up.take(pathLen) : nullptr;
        MomentMarks marks;
        if (!up.ok() || (!path && pathLen) || !unpackMoment(up, &marks)) {
            *reason = QStringLiteral("kept marks %1 cut short").arg(k);
            return false;
        }
        if (!marks.isEmpty())
            kept->insert(QString::fromUtf8(path, qsizetype(pathLen)), marks);
    }
    return true;
}

bool unpackHealth(Unpacker &up, PlayList &list, QString *reason)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        const char *kind = up.take(1);
        if (!kind || quint8(*kind) > quint8(RecordingHealth::Kind::EndsEarly)) {
            *reason = QStringLiteral("entry %1: bad health").arg(i);
            return false;
        }
        RecordingHealth &health = list[i].health;
        health.kind = RecordingHealth::Kind(quint8(*kind));
        if (health.kind == RecordingHealth::Kind::EndsEarly) {
            const quint64 ms = up.varint();
            if (!up.ok() || ms > quint64(1) << 40) {
                *reason = QStringLiteral("entry %1: bad playable length").arg(i);
                return false;
            }
            health.playableSeconds = double(ms) / 1000.0;
        }
    }
    return true;
}

// The section after the entries of formats 2 and 3.
bool unpackExtras(Unpacker &up, PlayList &list, quint32 version, QString *reason)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        PlayListEntry &e = list[i];
        const std::optional<TelemetryLayout> layout = layoutOfCode(up.varint(), version);
        if (!up.ok() || !layout) {
            *reason = QStringLiteral("entry %1: bad layout").arg(i);
            return false;
        }
        e.layout = *layout;
        const quint64 trackLen = up.varint();
        const char *track = up.ok() ? up.take(trackLen) : nullptr;
        const quint8 typed = up.byte();
        if (!up.ok() || (!track && trackLen) || typed > 1) {
            *reason = QStringLiteral("entry %1: bad track").arg(i);
            return false;
        }
        e.attachedTrack = QString::fromUtf8(track, qsizetype(trackLen));
        if (!typed)
            continue;
        const char *flags = up.take(quint64(e.gpsData.size()));
        if (!flags && !e.gpsData.isEmpty()) {
            *reason = QStringLiteral("entry %1: recorded fields cut short").arg(i);
            return false;
        }
        auto samples = std::make_shared<std::vector<TelemetrySample>>(*e.typedSamples());
        const quint8 known = version >= 3 ? (kHasSpeed | kHasCourse | kHasG | kHasUtc | kHasVehicle)
                                          : (kHasSpeed | kHasCourse | kHasG);
        QList<TelemetrySample *> cars;
        for (size_t k = 0; k < samples->size(); ++k) {
            const quint8 f = quint8(flags[k]);
            if (f & ~known) {
                *reason = QStringLiteral("entry %1: bad recorded fields").arg(i);
                return false;
            }
            TelemetrySample &t = (*samples)[k];
            t.hasSpeed = f & kHasSpeed;
            t.hasCourse = f & kHasCourse;
            t.hasG = f & kHasG;
            if (f & kHasUtc)
                t.utcMs = 0;
            if (f & kHasVehicle)
                cars << &t;
        }
        qint64 utc = 0;
        for (TelemetrySample &t : *samples)
            if (t.utcMs) {
                utc = qint64(quint64(utc) + quint64(up.zigzag()));
                t.utcMs = utc;
            }
        const qsizetype v = cars.size();
        std::vector<TelemetrySample::Vehicle> reports(static_cast<size_t>(v));
        const bool numbers =
            up.ok() &&
            up.planes<quint32>(v, [&](qsizetype k, quint32 b) { reports[size_t(k)].steeringDeg = bitsOf<float>(b); }) &&
            up.planes<quint32>(v, [&](qsizetype k, quint32 b) { reports[size_t(k)].pedal = bitsOf<float>(b); });
        for (qsizetype k = 0; numbers && k < v; ++k) {
            const quint8 lamps = up.byte();
            const qint8 gear = qint8(up.byte()), assistance = qint8(up.byte());
            if (!up.ok() || lamps > 7 || gear < -1 || gear > 3 || assistance < -1 || assistance > 3) {
                *reason = QStringLiteral("entry %1: bad car report").arg(i);
                return false;
            }
            TelemetrySample::Vehicle &car = reports[size_t(k)];
            car.brake = lamps & kBrake;
            car.blinkerLeft = lamps & kBlinkerLeft;
            car.blinkerRight = lamps & kBlinkerRight;
            car.gear = TelemetrySample::Gear(gear);
            car.assistance = TelemetrySample::Assistance(assistance);
            cars[k]->vehicle = car;
        }
        if (!numbers) {
            *reason = QStringLiteral("entry %1: times or car reports cut short").arg(i);
            return false;
        }
        e.telemetry = std::move(samples);
    }
    return true;
}

bool unpack(const QByteArray &packed, quint32 version, PlayList *out, KeptMarks *keptOut, QString *reason)
{
    Unpacker up(packed.constData(), packed.size());
    const quint64 count = up.varint();
    // every entry takes at least four bytes (path length, speed, flags, sample count)
    if (!up.ok() || count > quint64(up.left()) / 4) {
        *reason = QStringLiteral("bad entry count");
        return false;
    }
    PlayList list;
    list.reserve(qsizetype(count));
    for (quint64 i = 0; i < count; ++i) {
        PlayListEntry e;
        const quint64 pathLen = up.varint();
        const char *path = up.ok() ? up.take(pathLen) : nullptr;
        if (!up.ok() || (!path && pathLen)) {
            *reason = QStringLiteral("entry %1: bad path").arg(i);
            return false;
        }
        e.path = QString::fromUtf8(path, qsizetype(pathLen));
        e.maxSpeed = up.zigzag();
        const quint8 flags = up.byte();
        if (flags & 4)
            e.startMs = up.zigzag();
        if (flags & 8)
            e.durationMs = up.zigzag();
        const quint64 n = up.varint();
        if (!up.ok() || flags > 15 || e.durationMs < -1 || n > quint64(up.left()) / kMinSampleBytes) {
            *reason = QStringLiteral("entry %1: bad header").arg(i);
            return false;
        }
        e.isInChina = flags & 1;
        e.active = flags & 2;
        QList<GpsSample> s(static_cast<qsizetype>(n));
        qint64 spd = 0;
        for (GpsSample &g : s) {
            spd += up.zigzag();
            if (spd < std::numeric_limits<int>::min() || spd > std::numeric_limits<int>::max()) {
                *reason = QStringLiteral("entry %1: bad speed").arg(i);
                return false;
            }
            g.spd = int(spd);
        }
        const std::string *prev = nullptr;
        const std::string empty;
        for (GpsSample &g : s) {
            if (!unpackText(up, prev ? *prev : empty, &g.gps_lat)) {
                *reason = QStringLiteral("entry %1: bad latitude").arg(i);
                return false;
            }
            prev = &g.gps_lat;
        }
        prev = nullptr;
        for (GpsSample &g : s) {
            if (!unpackText(up, prev ? *prev : empty, &g.gps_lgt)) {
                *reason = QStringLiteral("entry %1: bad longitude").arg(i);
                return false;
            }
            prev = &g.gps_lgt;
        }
        const qsizetype m = qsizetype(n);
        const bool numbers =
            up.planes<quint64>(m, [&](qsizetype k, quint64 v) { s[k].north_angle = bitsOf<double>(v); }) &&
            up.planes<quint32>(m, [&](qsizetype k, quint32 v) { s[k].gsensor_x = bitsOf<float>(v); }) &&
            up.planes<quint32>(m, [&](qsizetype k, quint32 v) { s[k].gsensor_y = bitsOf<float>(v); }) &&
            up.planes<quint32>(m, [&](qsizetype k, quint32 v) { s[k].gsensor_z = bitsOf<float>(v); });
        if (!numbers) {
            *reason = QStringLiteral("entry %1: samples cut short").arg(i);
            return false;
        }
        e.gpsData = std::move(s);
        list.append(std::move(e));
    }
    if (version >= 2 && !unpackExtras(up, list, version, reason))
        return false;
    KeptMarks kept;
    if (version >= 4 && !unpackMarks(up, list, &kept, reason))
        return false;
    if (version >= 5 && !unpackHealth(up, list, reason))
        return false;
    if (!up.atEnd()) {
        *reason = QStringLiteral("trailing bytes");
        return false;
    }
    *out = std::move(list);
    if (keptOut)
        *keptOut = std::move(kept);
    return true;
}

} // namespace

QByteArray PlayListFile::encode(const PlayList &list, const KeptMarks &kept)
{
    return seal(pack(list, kept));
}

QByteArray PlayListFile::pack(const PlayList &list, const KeptMarks &kept)
{
    return packList(list, kept);
}

QByteArray PlayListFile::seal(const QByteArray &packed)
{
    const QByteArray compressed = qCompress(packed, 6);
    const QByteArray digest = QCryptographicHash::hash(compressed, QCryptographicHash::Md5);
    QByteArray out;
    out.reserve(kHeaderSize + compressed.size());
    out.append(kMagic, 4);
    char buf[8];
    qToBigEndian<quint32>(kVersion, buf);
    out.append(buf, 4);
    qToBigEndian<quint64>(quint64(packed.size()), buf);
    out.append(buf, 8);
    out.append(digest);
    out.append(compressed);
    return out;
}

bool PlayListFile::decode(const QByteArray &bytes, PlayList *list, QString *reason, KeptMarks *kept)
{
    QString dummy;
    if (!reason)
        reason = &dummy;
    if (bytes.size() < kHeaderSize + 4) {
        *reason = bytes.isEmpty() ? QStringLiteral("empty file") : QStringLiteral("truncated header");
        return false;
    }
    const char *p = bytes.constData();
    if (std::memcmp(p, kMagic, 4) != 0) {
        *reason = QStringLiteral("not a play list file");
        return false;
    }
    const quint32 version = qFromBigEndian<quint32>(p + 4);
    if (version < 1 || version > kVersion) {
        *reason = QStringLiteral("unknown format version %1").arg(version);
        return false;
    }
    const quint64 packedSize = qFromBigEndian<quint64>(p + 8);
    const QByteArray compressed = bytes.mid(kHeaderSize);
    if (QCryptographicHash::hash(compressed, QCryptographicHash::Md5) != bytes.mid(16, 16)) {
        *reason = QStringLiteral("checksum mismatch (truncated or damaged)");
        return false;
    }
    // qUncompress trusts the size in its own prefix; check it before it allocates.
    if (packedSize > kMaxPacked || qFromBigEndian<quint32>(compressed.constData()) != packedSize) {
        *reason = QStringLiteral("implausible size");
        return false;
    }
    const QByteArray packed = packedSize ? qUncompress(compressed) : QByteArray();
    if (quint64(packed.size()) != packedSize) {
        *reason = QStringLiteral("cannot decompress");
        return false;
    }
    return unpack(packed, version, list, kept, reason);
}

bool PlayListFile::write(const QString &path, const PlayList &list, QString *reason, const KeptMarks &kept)
{
    const QByteArray bytes = encode(list, kept);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return SafeFile::replace(path, bytes, reason);
}

bool PlayListFile::remove(const QString &path, QString *reason)
{
    QFile f(path);
    if (!f.exists() || f.remove())
        return true;
    if (reason)
        *reason = f.errorString();
    return false;
}

PlayListFile::Outcome PlayListFile::read(const QString &path, PlayList *list, QString *reason, KeptMarks *kept)
{
    QFile f(path);
    if (!f.exists())
        return Outcome::Missing;
    if (!f.open(QIODevice::ReadOnly)) {
        *reason = f.errorString();
        return Outcome::Unreadable;
    }
    if (f.size() > qint64(kMaxPacked)) {
        *reason = QStringLiteral("file too large");
        return Outcome::Unreadable;
    }
    const QByteArray bytes = f.readAll();
    return decode(bytes, list, reason, kept) ? Outcome::Read : Outcome::Unreadable;
}
