#include "redact/RedactMarks.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Frame times read twice from one file agree, but a time given in seconds and turned
// back into microseconds may be off by a rounding: a box is found that far ahead.
qint64 slackUs(qint64 frameUs) { return std::min<qint64>(1000, frameUs / 4); }

// The box of `boxes` whose frame holds `timeUs`.
std::optional<std::pair<qint64, QRect>> frameBox(const QMap<qint64, QRect> &boxes, qint64 timeUs,
                                                 qint64 frameUs)
{
    auto it = boxes.upperBound(timeUs + slackUs(frameUs));
    if (it == boxes.cbegin())
        return std::nullopt;
    --it;
    if (timeUs >= it.key() + frameUs - slackUs(frameUs))
        return std::nullopt;
    return std::make_pair(it.key(), it.value());
}

const char *kindKey(MarkKind kind)
{
    switch (kind) {
    case MarkKind::Drawn: return "drawn";
    case MarkKind::Face: return "face";
    case MarkKind::Plate: return "plate";
    }
    return "drawn";
}

const char *reasonKey(LossReason reason)
{
    switch (reason) {
    case LossReason::Lost: return "lost";
    case LossReason::Jumped: return "jumped";
    case LossReason::Resized: return "resized";
    }
    return "lost";
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// A JSON number that is a whole number in [lo, hi].
bool wholeNumber(const QJsonValue &v, qint64 lo, qint64 hi, qint64 *out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < double(lo) || d > double(hi))
        return false;
    *out = qint64(d);
    return true;
}

bool onlyFields(const QJsonObject &o, std::initializer_list<const char *> fields, QString *bad)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        const bool known = std::any_of(fields.begin(), fields.end(),
                                       [&](const char *f) { return it.key() == QLatin1String(f); });
        if (!known) {
            *bad = it.key();
            return false;
        }
    }
    return true;
}

constexpr qint64 MaxTimeUs = qint64(1) << 50;  // some 35 years of video
constexpr qint64 MaxPixels = 1 << 16;

QJsonArray boxesJson(const QMap<qint64, QRect> &boxes)
{
    QJsonArray a;
    for (auto it = boxes.begin(); it != boxes.end(); ++it) {
        const QRect &r = it.value();
        a.append(QJsonArray{double(it.key()), r.x(), r.y(), r.width(), r.height()});
    }
    return a;
}

bool readBoxes(const QJsonValue &v, const QSize &picture, QMap<qint64, QRect> *out, QString *error)
{
    if (!v.isArray())
        return fail(error, QStringLiteral("boxes are not a list"));
    for (const QJsonValue &row : v.toArray()) {
        const QJsonArray a = row.toArray();
        if (!row.isArray() || a.size() != 5)
            return fail(error, QStringLiteral("a box is not [time, x, y, width, height]"));
        qint64 t, x, y, w, h;
        if (!wholeNumber(a[0], 0, MaxTimeUs, &t) || !wholeNumber(a[1], 0, MaxPixels, &x)
            || !wholeNumber(a[2], 0, MaxPixels, &y) || !wholeNumber(a[3], 1, MaxPixels, &w)
            || !wholeNumber(a[4], 1, MaxPixels, &h))
            return fail(error, QStringLiteral("a box has a bad number"));
        const QRect r{int(x), int(y), int(w), int(h)};
        if (!QRect(QPoint(0, 0), picture).contains(r))
            return fail(error, QStringLiteral("a box lies off the picture"));
        if (out->contains(t))
            return fail(error, QStringLiteral("two boxes at one time"));
        out->insert(t, r);
    }
    return true;
}

} // namespace

std::optional<std::pair<qint64, qint64>> markStretch(const RedactMark &mark, qint64 frameUs)
{
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    for (const auto *boxes : {&mark.keys, &mark.tracked}) {
        if (boxes->isEmpty())
            continue;
        first = std::min(first, boxes->firstKey());
        last = std::max(last, boxes->lastKey());
    }
    if (first > last)
        return std::nullopt;
    return std::make_pair(first, last + frameUs);
}

std::optional<QRect> markBoxAt(const RedactMark &mark, qint64 timeUs, qint64 frameUs)
{
    if (frameUs <= 0)
        frameUs = RedactMarks::DefaultFrameUs;
    const auto key = frameBox(mark.keys, timeUs, frameUs);
    const auto tracked = frameBox(mark.tracked, timeUs, frameUs);
    if (key && (!tracked || key->first >= tracked->first))
        return key->second;
    if (tracked)
        return tracked->second;
    return std::nullopt;
}

std::optional<QRect> clipToPicture(const QRect &box, const QSize &picture)
{
    QRect r = box.normalized();
    if (picture.isValid() && !picture.isEmpty())
        r = r.intersected(QRect(QPoint(0, 0), picture));
    if (r.isEmpty())
        return std::nullopt;
    return r;
}

std::pair<std::optional<qint64>, std::optional<qint64>> neighbourKeys(const RedactMark &mark,
                                                                      qint64 timeUs)
{
    std::optional<qint64> before, after;
    auto it = mark.keys.lowerBound(timeUs);
    if (it != mark.keys.cbegin())
        before = std::prev(it).key();
    it = mark.keys.upperBound(timeUs);
    if (it != mark.keys.cend())
        after = it.key();
    return {before, after};
}

QList<QRect> scaleBoxes(const QList<QRect> &boxes, const QSize &from, const QSize &to)
{
    if (from.isEmpty() || to.isEmpty() || from == to)
        return boxes;
    const double sx = double(to.width()) / from.width(), sy = double(to.height()) / from.height();
    QList<QRect> out;
    for (const QRect &r : boxes) {
        // Out to whole pixels, so that nothing of the area is left at its rim.
        const QRect scaled(QPoint(int(std::floor(r.left() * sx)), int(std::floor(r.top() * sy))),
                           QPoint(int(std::ceil((r.right() + 1) * sx)) - 1, int(std::ceil((r.bottom() + 1) * sy)) - 1));
        if (const auto clipped = clipToPicture(scaled, to))
            out << *clipped;
    }
    return out;
}

QString markKindName(MarkKind kind) { return QString::fromLatin1(kindKey(kind)); }
QString lossReasonName(LossReason reason) { return QString::fromLatin1(reasonKey(reason)); }

RedactMarks::RedactMarks(const QSize &picture, qint64 frameUs) : picture_(picture)
{
    setFrameUs(frameUs);
}

int RedactMarks::acceptedCount() const
{
    return int(std::count_if(marks_.begin(), marks_.end(), [](const RedactMark &m) { return m.accepted; }));
}

const RedactMark *RedactMarks::mark(int id) const
{
    for (const RedactMark &m : marks_)
        if (m.id == id)
            return &m;
    return nullptr;
}

RedactMark *RedactMarks::find(int id)
{
    for (RedactMark &m : marks_)
        if (m.id == id)
            return &m;
    return nullptr;
}

int RedactMarks::add(MarkKind kind, qint64 timeUs, const QRect &box, bool accepted)
{
    const auto clipped = clipToPicture(box, picture_);
    if (!clipped || marks_.size() >= MaxMarks || timeUs < 0)
        return 0;
    RedactMark m;
    m.id = nextId_++;
    m.kind = kind;
    m.accepted = accepted;
    m.keys.insert(timeUs, *clipped);
    marks_.append(m);
    return m.id;
}

bool RedactMarks::setKey(int id, qint64 timeUs, const QRect &box)
{
    RedactMark *m = find(id);
    const auto clipped = clipToPicture(box, picture_);
    if (!m || !clipped || timeUs < 0)
        return false;
    m->keys.insert(timeUs, *clipped);
    return true;
}

bool RedactMarks::setTracked(int id, qint64 fromUs, qint64 toUs, const QMap<qint64, QRect> &boxes,
                             const QList<MarkLoss> &losses)
{
    RedactMark *m = find(id);
    if (!m || fromUs > toUs)
        return false;
    for (auto it = m->tracked.lowerBound(fromUs); it != m->tracked.end() && it.key() <= toUs;)
        it = m->tracked.erase(it);
    m->losses.erase(std::remove_if(m->losses.begin(), m->losses.end(),
                                   [&](const MarkLoss &l) { return l.timeUs >= fromUs && l.timeUs <= toUs; }),
                    m->losses.end());
    for (auto it = boxes.begin(); it != boxes.end(); ++it) {
        if (it.key() < fromUs || it.key() > toUs)
            continue;
        if (const auto clipped = clipToPicture(it.value(), picture_))
            m->tracked.insert(it.key(), *clipped);
    }
    for (const MarkLoss &l : losses)
        if (l.timeUs >= fromUs && l.timeUs <= toUs)
            m->losses.append(l);
    std::sort(m->losses.begin(), m->losses.end(),
              [](const MarkLoss &a, const MarkLoss &b) { return a.timeUs < b.timeUs; });
    return true;
}

bool RedactMarks::accept(int id)
{
    RedactMark *m = find(id);
    if (!m)
        return false;
    m->accepted = true;
    return true;
}

bool RedactMarks::remove(int id)
{
    for (qsizetype i = 0; i < marks_.size(); ++i) {
        if (marks_[i].id == id) {
            marks_.removeAt(i);
            return true;
        }
    }
    return false;
}

QList<QRect> RedactMarks::boxesAt(qint64 timeUs, bool offered) const
{
    QList<QRect> boxes;
    for (const RedactMark &m : marks_) {
        if (!m.accepted && !offered)
            continue;
        if (const auto box = markBoxAt(m, timeUs, frameUs_))
            if (const auto clipped = clipToPicture(*box, picture_))
                boxes.append(*clipped);
    }
    return boxes;
}

QList<QRect> RedactMarks::blurredAt(qint64 timeUs, const QSize &picture) const
{
    QList<QRect> out;
    const QSize to = picture.isEmpty() ? picture_ : picture;
    for (const QRect &r : scaleBoxes(boxesAt(timeUs), picture_, to)) {
        const int dx = std::max(2, int(std::lround(r.width() * BlurRim)));
        const int dy = std::max(2, int(std::lround(r.height() * BlurRim)));
        if (const auto grown = clipToPicture(r.adjusted(-dx, -dy, dx, dy), to))
            out << *grown;
    }
    return out;
}

QJsonObject RedactMarks::toJson() const
{
    QJsonArray marks;
    for (const RedactMark &m : marks_) {
        QJsonArray losses;
        for (const MarkLoss &l : m.losses)
            losses.append(QJsonObject{
                {"time", double(l.timeUs)},
                {"direction", l.direction == TrackDirection::Forwards ? "forwards" : "backwards"},
                {"reason", reasonKey(l.reason)}});
        QJsonObject o{{"id", m.id},
                      {"kind", kindKey(m.kind)},
                      {"state", m.accepted ? "accepted" : "offered"},
                      {"keys", boxesJson(m.keys)},
                      {"tracked", boxesJson(m.tracked)}};
        if (!losses.isEmpty())
            o.insert("losses", losses);
        marks.append(o);
    }
    return QJsonObject{{"version", 1},
                       {"picture", QJsonArray{picture_.width(), picture_.height()}},
                       {"frame", double(frameUs_)},
                       {"marks", marks}};
}

std::optional<RedactMarks> RedactMarks::fromJson(const QJsonObject &json, QString *error)
{
    QString field;
    if (!onlyFields(json, {"version", "picture", "frame", "marks"}, &field)) {
        fail(error, QStringLiteral("unknown field %1").arg(field));
        return std::nullopt;
    }
    qint64 version = 0, width = 0, height = 0, frame = 0;
    if (!wholeNumber(json.value("version"), 1, 1, &version)) {
        fail(error, QStringLiteral("unknown version"));
        return std::nullopt;
    }
    const QJsonArray picture = json.value("picture").toArray();
    if (picture.size() != 2 || !wholeNumber(picture[0], 1, MaxPixels, &width)
        || !wholeNumber(picture[1], 1, MaxPixels, &height)) {
        fail(error, QStringLiteral("bad picture size"));
        return std::nullopt;
    }
    if (!wholeNumber(json.value("frame"), 1, 10'000'000, &frame)) {
        fail(error, QStringLiteral("bad frame duration"));
        return std::nullopt;
    }
    if (!json.value("marks").isArray()) {
        fail(error, QStringLiteral("marks are not a list"));
        return std::nullopt;
    }
    const QJsonArray marks = json.value("marks").toArray();
    if (marks.size() > MaxMarks) {
        fail(error, QStringLiteral("too many marks"));
        return std::nullopt;
    }
    RedactMarks out(QSize(int(width), int(height)), frame);
    QSet<int> ids;
    for (const QJsonValue &v : marks) {
        const QJsonObject o = v.toObject();
        if (!v.isObject()
            || !onlyFields(o, {"id", "kind", "state", "keys", "tracked", "losses"}, &field)) {
            fail(error, v.isObject() ? QStringLiteral("unknown field %1").arg(field)
                                     : QStringLiteral("a mark is not an object"));
            return std::nullopt;
        }
        RedactMark m;
        qint64 id = 0;
        if (!wholeNumber(o.value("id"), 1, std::numeric_limits<int>::max() - 1, &id)
            || ids.contains(int(id))) {
            fail(error, QStringLiteral("bad or repeated id"));
            return std::nullopt;
        }
        m.id = int(id);
        const QString kind = o.value("kind").toString();
        if (kind == "drawn")
            m.kind = MarkKind::Drawn;
        else if (kind == "face")
            m.kind = MarkKind::Face;
        else if (kind == "plate")
            m.kind = MarkKind::Plate;
        else {
            fail(error, QStringLiteral("unknown kind"));
            return std::nullopt;
        }
        const QString state = o.value("state").toString();
        if (state != "accepted" && state != "offered") {
            fail(error, QStringLiteral("unknown state"));
            return std::nullopt;
        }
        m.accepted = state == "accepted";
        if (!readBoxes(o.value("keys"), out.picture_, &m.keys, error)
            || !readBoxes(o.value("tracked"), out.picture_, &m.tracked, error))
            return std::nullopt;
        if (m.keys.isEmpty()) {
            fail(error, QStringLiteral("a mark without a key box"));
            return std::nullopt;
        }
        if (o.contains("losses")) {
            if (!o.value("losses").isArray()) {
                fail(error, QStringLiteral("losses are not a list"));
                return std::nullopt;
            }
            for (const QJsonValue &lv : o.value("losses").toArray()) {
                const QJsonObject lo = lv.toObject();
                MarkLoss l;
                const QString dir = lo.value("direction").toString();
                const QString reason = lo.value("reason").toString();
                if (!lv.isObject() || !onlyFields(lo, {"time", "direction", "reason"}, &field)
                    || !wholeNumber(lo.value("time"), 0, MaxTimeUs, &l.timeUs)
                    || (dir != "forwards" && dir != "backwards")) {
                    fail(error, QStringLiteral("a bad loss"));
                    return std::nullopt;
                }
                l.direction = dir == "forwards" ? TrackDirection::Forwards : TrackDirection::Backwards;
                if (reason == "lost")
                    l.reason = LossReason::Lost;
                else if (reason == "jumped")
                    l.reason = LossReason::Jumped;
                else if (reason == "resized")
                    l.reason = LossReason::Resized;
                else {
                    fail(error, QStringLiteral("unknown loss reason"));
                    return std::nullopt;
                }
                m.losses.append(l);
            }
        }
        ids.insert(m.id);
        out.nextId_ = std::max(out.nextId_, m.id + 1);
        out.marks_.append(m);
    }
    return out;
}
