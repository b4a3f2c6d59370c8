// Serves map tiles to the map page through the "veltra-tile:" URL scheme
// ("veltra-tile:/<z>/<x>/<y>.png"): a tile comes from the first offline source that
// has it, else from the tile cache, else from the tile server when the map may go
// online. Files are read on a thread pool, never on the main thread. The map pane
// hands it the user's map settings.
#pragma once

#include "TileCache.h"
#include "TileSource.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWebEngineUrlRequestJob>
#include <QThreadPool>
#include <QWebEngineUrlSchemeHandler>

#include <atomic>
#include <memory>

class QNetworkAccessManager;
class QWebEngineProfile;

class MapTileServer : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static constexpr char kScheme[] = "veltra-tile";

    // Makes the scheme known to the web engine; call once before the application
    // object exists.
    static void registerUrlScheme();
    // The server of `profile`, installed on first use.
    static MapTileServer *forProfile(QWebEngineProfile *profile);
    // The tile address template the page uses.
    static QString pageTileUrl();

    explicit MapTileServer(QObject *parent = nullptr);
    ~MapTileServer() override;

    // Whether a tile missing locally may be fetched from the tile server: the user
    // allows online maps and the last network check did not find it unreachable.
    void setNetworkAllowed(bool allowed) { networkAllowed_ = allowed; }
    bool networkAllowed() const { return networkAllowed_; }
    // The offline sources, asked first in their order.
    void setOfflineSources(const QStringList &sources) { sources_ = sources; }
    // Online maps off: nothing more leaves the program, and the tiles waiting for a
    // download are refused.
    void setOnlineMaps(bool on);
    // The tile server's address template ("{z}", "{x}" and "{y}" filled in).
    void setTileServer(const QString &urlTemplate) { tileServer_ = urlTemplate; }
    // A smaller limit trims the cache, off the main thread.
    void setCacheLimitBytes(qint64 bytes);

    // Local look-up (offline sources, then the cache); any thread.
    std::optional<QByteArray> localTile(const QStringList &sources, const TileId &tile) const;
    TileCache &cache() { return *cache_; }
    // Requests sent to the tile server since start, and the most that were under way at once.
    int networkRequests() const { return networkRequests_; }
    int mostDownloadsAtOnce() const { return mostInFlight_; }
    // Milliseconds from request to reply of the last local tiles served (at most 1000).
    const QList<double> &localServeTimes() const { return serveMs_; }

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    struct Download {
        QPointer<QWebEngineUrlRequestJob> job;
        TileId tile;
    };
    void fetch(QWebEngineUrlRequestJob *job, const TileId &tile);
    void startDownloads();
    void download(QWebEngineUrlRequestJob *job, const TileId &tile);

    QThreadPool pool_;
    QStringList sources_;
    bool onlineMaps_ = true;
    QString tileServer_;
    qint64 cacheLimit_;
    std::unique_ptr<TileCache> cache_;
    QNetworkAccessManager *network_ = nullptr;
    std::atomic<bool> networkAllowed_{false};
    int networkRequests_ = 0;
    int inFlight_ = 0;
    int mostInFlight_ = 0;
    QList<Download> waiting_;
    QList<double> serveMs_;
};
