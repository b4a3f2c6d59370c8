// The map's own settings: whether the map may use the internet, the offline map
// sources the user brought, the size of the tile cache, and where online tiles come
// from. A change from any place is announced with "offline_maps_notification".
#pragma once

#include <QString>
#include <QStringList>

class MapSettings {
public:
    MapSettings() = delete;

    static constexpr char kUseOnlineMaps[] = "use_online_maps";
    static constexpr char kOfflineSources[] = "offline_map_sources";
    static constexpr char kCacheLimitMB[] = "map_tile_cache_mb";
    // Points the OpenStreetMap page at another tile server (tests only).
    static constexpr char kTileServerForTests[] = "map_tile_server_for_tests";
    static constexpr char kNotification[] = "offline_maps_notification";
    static constexpr char kOsmTileServer[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
    static constexpr int kDefaultCacheLimitMB = 500;

    // On unless the user turned it off: with it off no request leaves the program.
    static bool useOnlineMaps();
    static void setUseOnlineMaps(bool on);
    // The offline sources in the order they are asked (MBTiles files, z/x/y folders).
    static QStringList offlineSources();
    static void setOfflineSources(const QStringList &paths);
    static qint64 cacheLimitBytes();
    static int cacheLimitMB();
    static void setCacheLimitMB(int mb);
    // At most this many tile downloads run at once, as the tile server's usage policy asks.
    static constexpr int kMaxDownloads = 2;
    static QString tileServerTemplate();
    // "Veltra Player/<version>", sent with every tile request.
    static QString userAgent();
    // The folder of the tile cache.
    static QString cacheFolder();
};
