// Offline map sources: raster MBTiles files (SQLite, TMS rows) and z/x/y folders of
// PNG or JPEG tiles. inspect() says what a source holds, or in one sentence why it
// cannot be used; readTile() reads one tile and may be called on any thread.
// A source may be crafted to stall its reader: an MBTiles file is read only when its
// tiles are a plain table, each query is stopped after a few seconds, and only regular
// files of at most kMaxTileBytes are read as tiles.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct TileId {
    int z = 0;
    int x = 0;
    int y = 0;   // XYZ (slippy map) numbering: row 0 at the top
    bool operator==(const TileId &o) const { return z == o.z && x == o.x && y == o.y; }
};

struct TileBounds {
    double west = 0, south = 0, east = 0, north = 0;
};

struct TileSourceInfo {
    enum Kind { MBTiles, Folder };
    QString path;
    Kind kind = MBTiles;
    bool usable = false;
    QString problem;       // why it cannot be used, as shown to the user
    QString name;
    QString format;        // "png", "jpg", ...
    QString attribution;   // as the source states it (plain text)
    int minZoom = -1;
    int maxZoom = -1;
    std::optional<TileBounds> bounds;
    // "Name — zoom 12–15 — 22.50, 114.00 to 22.60, 114.10" (or the problem).
    QString description() const;
};

class TileSource {
public:
    TileSource() = delete;

    static constexpr qint64 kMaxTileBytes = 4 * 1024 * 1024;

    // May take a few seconds on a slow or crafted source: not for the main thread.
    static TileSourceInfo inspect(const QString &path);
    // The tile's bytes when the source has it; nothing for a missing tile or a source
    // that cannot be read (a damaged or removed file). Thread-safe.
    static std::optional<QByteArray> readTile(const QString &path, const TileId &tile);
    // The first source of `paths` that has the tile.
    static std::optional<QByteArray> firstTile(const QStringList &paths, const TileId &tile);
    // The bytes of a regular file of at most `limit` bytes; nothing for anything else (a
    // FIFO, a device, a link to one, a larger file) or a file that cannot be read. Never
    // waits for a writer or reads without end.
    static std::optional<QByteArray> readSmallFile(const QString &path, qint64 limit = kMaxTileBytes);

    // --- pure helpers ---
    // The MBTiles row of XYZ row `y` at zoom `z` (rows count from the bottom there).
    static int tmsRow(int z, int y);
    // "/12/3301/1785.png" (any image suffix or none) as a tile; nothing when malformed
    // or outside the zoom's range.
    static std::optional<TileId> parseTilePath(const QString &path);
    // The MIME type of tile bytes: "image/png", "image/jpeg", "image/webp"; empty when
    // the bytes are not an image.
    static QByteArray imageType(const QByteArray &bytes);
    // Longitude / latitude of a tile corner (XYZ numbering).
    static double tileLongitude(int z, int x);
    static double tileLatitude(int z, int y);
    // "minlon,minlat,maxlon,maxlat" as MBTiles metadata writes it.
    static std::optional<TileBounds> parseBounds(const QString &text);
};
