// What a captured picture says about its moment: the recording time by the camera's
// clock, the position and the speed, as PNG text chunks and as the one line of the
// caption strip that a setting draws under the picture.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct CaptureFacts {
    QString recorded;                 // "2026-11-08 09:31:35", empty when unknown
    std::optional<double> latitude;   // degrees, with the longitude when there is a fix
    std::optional<double> longitude;
    std::optional<double> speedKmh;
};

class CaptureText {
public:
    CaptureText() = delete;

    // Keyword/text pairs in this order: "Creation Time", "Location" ("51.501234,
    // -0.123456"), "Speed" ("52 km/h" or, with `mph`, "32 mph"); a fact that is not
    // known has no chunk.
    static QList<QPair<QString, QString>> chunks(const CaptureFacts &facts, bool mph);
    // The same figures on one line, separated by two spaces; empty when none is known.
    static QString caption(const CaptureFacts &facts, bool mph);
    // The name a captured picture takes from the moment it shows: "2026-11-08_09-31-35"
    // for a recording time "2026-11-08 09:31:35"; empty when the time is not known.
    static QString fileStem(const CaptureFacts &facts);
    // `base` when no "<base><ending>" of `endings` is there yet, else the first of
    // "<base>_2", "<base>_3" … that is free: a capture never writes over another.
    static QString freeBase(const QString &base, const QStringList &endings,
                            const std::function<bool(const QString &)> &exists);
    // The word a camera's pictures and segments are named with: "front", "rear",
    // "cabin", "left_repeater", or the channel's letter in lower case.
    static QString channelWord(char channel);
};
