// File ▸ Export Track…: the chosen clips written as one GPX, KML or CSV document,
// grouped into trips exactly as `veltra-gps --trips` groups its arguments and through
// the same writers, so that the same clips give the same bytes either way.
#pragma once

#include "ExtractorOptions.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class TrackExport {
public:
    TrackExport() = delete;

    // The format a file name asks for by its suffix (gpx, kml, csv; any case).
    static std::optional<ExtractorOptions::Format> formatOf(const QString &fileName);
    // The file a save panel's answer names: `typed` when its suffix names a format, else
    // `typed` with the suffix of the panel's `filter` ("KML (*.kml)"; gpx without one).
    static QString settledName(const QString &typed, const QString &filter);

    // Reads the clips (their local paths name them in the track file, as the
    // arguments of veltra-gps do) and writes the track file; a clip that cannot be read
    // is left out. Any thread.
    static QByteArray document(ExtractorOptions::Format format, const QList<QUrl> &clips, qint64 gapMs);

    // document() on a background thread, then written to `fileName` whole (or not at
    // all); `done` gets the outcome on the main thread: empty, or why it failed.
    static void exportTo(const QString &fileName, const QList<QUrl> &clips, qint64 gapMs,
                         std::function<void(const QString &error)> done);
};
