// One record of the play list: a file the user opened, with its telemetry.
#pragma once

#include "GpsSample.h"

#include <QList>
#include <QString>

struct PlayListEntry {
    QString path;               // "key_path": the file URL's absolute text, percent escapes kept
    QList<GpsSample> gpsData;   // "key_gps_data"
    qint64 maxSpeed = 0;        // "key_max_speed", km/h
    bool isInChina = true;      // "key_is_in_china"
    bool activeYN = false;      // "key_active_yn"

    bool operator==(const PlayListEntry &o) const
    {
        return path == o.path && gpsData == o.gpsData && maxSpeed == o.maxSpeed &&
               isInChina == o.isInChina && activeYN == o.activeYN;
    }
};

using PlayList = QList<PlayListEntry>;
