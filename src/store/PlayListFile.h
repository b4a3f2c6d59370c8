// The play list's file on disk: a compact binary form of the entries, compressed and
// checksummed, written atomically. Pure functions; any thread.
//
// Layout: "VPLS", format version (u32), size of the packed data (u64), MD5 of the
// compressed data (16 bytes), then the packed data compressed with qCompress. The
// samples are packed column by column (speeds as varint deltas, coordinate texts as
// prefix + suffix of the previous text, numbers as XOR with the previous value in byte
// planes) so that a route of slowly changing values compresses well. Format 2 adds,
// after the entries, each entry's layout, attached GPS track and which of speed,
// course and G its camera recorded. Format 3 numbers the layouts by a table of their
// own and adds each sample's UTC time and what the car reported, so that a clip's
// clock and the car's lanes survive a restart. Format 4 adds the areas marked for
// blurring, per camera file name the marks' JSON (RedactMarks::toJson); a camera's marks
// that do not read as marks are left out; then the marks kept for clips no longer
// listed, by path. Format 5 adds each entry's health as found when it was added (empty,
// not a video, ends early at …), so that a broken file still says so after a restart.
// Files of formats 1 to 4 still read, their entries whole.
#pragma once

#include "PlayListEntry.h"

#include <QByteArray>
#include <QString>

class PlayListFile {
public:
    PlayListFile() = delete;

    enum class Outcome { Read, Missing, Unreadable };

    // `kept`: the marks of clips no longer listed (format 4), after the entries.
    static QByteArray encode(const PlayList &list, const KeptMarks &kept = {});   // seal(pack(list))
    // The two halves of encode(): the packed entries, and packed data with its header.
    static QByteArray pack(const PlayList &list, const KeptMarks &kept = {});
    static QByteArray seal(const QByteArray &packed);
    // False (with a reason) for anything that is not a whole, intact play list file.
    static bool decode(const QByteArray &bytes, PlayList *list, QString *reason, KeptMarks *kept = nullptr);

    // Writes atomically (QSaveFile): on failure the previous file stays whole.
    static bool write(const QString &path, const PlayList &list, QString *reason = nullptr,
                      const KeptMarks &kept = {});
    static bool remove(const QString &path, QString *reason = nullptr);
    static Outcome read(const QString &path, PlayList *list, QString *reason, KeptMarks *kept = nullptr);
};
