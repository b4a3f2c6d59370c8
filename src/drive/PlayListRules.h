// What the play list table shows for an entry, and how a dragged set of rows
// lands in the list: pure functions over the entry's path text ("key_path", the
// file URL with its percent escapes) and row numbers.
#pragma once

#include "WrittenMovie.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class PlayListRules {
public:
    PlayListRules() = delete;

    // The MIME type under which dragged rows travel.
    static constexpr char kDragType[] = "BasicTableViewDragAndDropDataType";

    // "No.": the row counted from 1.
    static QString rowNumberText(int row);
    // "Filename": the text after the last "/" with its percent escapes decoded, as
    // the file is named on disk ("%20" a blank, "%25" a percent sign, UTF-8 bytes
    // the characters they spell; "+" stays "+").
    static QString abbreviationFile(const QString &path);
    // "Time & Date": "yyyy-MM-dd hh:mm:ss" read from the file name once ".MOV" and
    // "_" are removed, when its first 14 characters are digits that form a real date
    // and time (a camera's yyyyMMddhhmmss), or from a name that opens with
    // "yyyy-MM-dd_HH-mm-ss" (the six-camera recorders); otherwise empty.
    static QString timeAndDateText(const QString &path);
    // What a row says of a file that cannot play whole ("Not a video", "Empty file",
    // "Ends early at 0:01"); empty for a whole file, and for one that could not be
    // opened (the row's own mark tells that).
    static QString problemText(const RecordingHealth &health);
    // The message for files that could not be taken in: each of them up to `most`, else
    // the first `most` and how many more.
    static QString refusalText(const QStringList &lines, int most = 3);
    // The cameras of a six-camera recorder's minute ("2026-11-13_10-03-00-front.mp4")
    // whose files lie beside this one, the file's own camera included, by their words in
    // the order of the channels (front, back, the side cameras); empty for a name of
    // another form.
    static QStringList minuteCameras(const QString &path);
    // The channels (ClipTime::channel) of the moment of `path` whose files lie beside it,
    // its own included, in the order of the channels: the rear and cabin of a name ending
    // in F, R or I after its number ("…_001F.MOV" beside "…_001R.MOV"), or the cameras of
    // a six-camera minute; empty for a name that carries no channel.
    static QList<char> momentChannels(const QString &path);
    // The file-system path behind an entry: the decoded local path of a file URL,
    // the text itself when it is no URL.
    static QString localPath(const QString &path);
    // "Protected": the file is missing, unreadable or not writable. A file without
    // any write permission bit counts as protected even for the superuser, whom the
    // system would let write it: the mark tells a locked recording.
    static bool isProtectedFile(const QString &path);

    // The widths of the four columns in a table `available` pixels wide: 25, 130,
    // 110 and 70 at least, any room beyond that shared out equally, except that the
    // row number keeps its width and gives its share to the file name (camera names
    // are long; a row number is a few digits).
    static QList<int> columnWidths(int available);

    // The new order of a list of `count` rows after `rows` are moved to sit before
    // row `destination` (count = at the end): element k is the old index of the row
    // that ends up at k. Rows out of range are ignored; the moved rows keep their
    // relative order.
    static QList<int> movedOrder(int count, const QList<int> &rows, int destination);

    // The dragged rows as they travel on the drag data, and back; a malformed
    // payload reads as no rows.
    static QByteArray encodeRows(const QList<int> &rows);
    static QList<int> decodeRows(const QByteArray &data);
};
