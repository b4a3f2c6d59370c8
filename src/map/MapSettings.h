// What the map needs beyond the user's settings: the tile server it uses unless told
// otherwise, how many downloads run at once, how the program names itself to the
// server, and where the tile cache lives.
#pragma once

#include <QString>

class MapSettings {
public:
    MapSettings() = delete;

    static constexpr char kOsmTileServer[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
    // At most this many tile downloads run at once, as the tile server's usage policy asks.
    static constexpr int kMaxDownloads = 2;
    // The tile server's address template: `forTests` when set, else OpenStreetMap's.
    static QString tileServerTemplate(const QString &forTests);
    // "Veltra Player/<version>", sent with every tile request.
    static QString userAgent();
    // The folder of the tile cache.
    static QString cacheFolder();
};
