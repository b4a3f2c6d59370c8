#include "MapTileServer.h"

#include "MapSettings.h"
#include "common/Settings.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <algorithm>
#include <utility>

namespace {

void replyWith(QWebEngineUrlRequestJob *job, const QByteArray &bytes)
{
    const QByteArray type = TileSource::imageType(bytes);
    if (type.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto *buffer = new QBuffer(job);
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    job->reply(type, buffer);
}

} // namespace

void MapTileServer::registerUrlScheme()
{
    if (QWebEngineUrlScheme::schemeByName(kScheme).name() == kScheme)
        return;
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                    QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

MapTileServer *MapTileServer::forProfile(QWebEngineProfile *profile)
{
    if (auto *existing = qobject_cast<MapTileServer *>(
            const_cast<QWebEngineUrlSchemeHandler *>(profile->urlSchemeHandler(kScheme))))
        return existing;
    auto *server = new MapTileServer(profile);
    profile->installUrlSchemeHandler(kScheme, server);
    return server;
}

QString MapTileServer::pageTileUrl()
{
    return QLatin1String(kScheme) + QStringLiteral(":/{z}/{x}/{y}.png");
}

MapTileServer::MapTileServer(QObject *parent)
    : QWebEngineUrlSchemeHandler(parent),
      tileServer_(MapSettings::tileServerTemplate(QString())),
      cacheLimit_(qint64(Settings::kDefaultCacheLimitMB) * 1024 * 1024),
      cache_(std::make_unique<TileCache>(MapSettings::cacheFolder(), cacheLimit_))
{
    // Two readers: SQLite reads are short, and the machine's cores belong to the video.
    pool_.setMaxThreadCount(2);
    pool_.setExpiryTimeout(-1);
}

MapTileServer::~MapTileServer()
{
    pool_.clear();
    pool_.waitForDone();
}

std::optional<QByteArray> MapTileServer::localTile(const QStringList &sources, const TileId &tile) const
{
    if (std::optional<QByteArray> bytes = TileSource::firstTile(sources, tile))
        return bytes;
    std::optional<QByteArray> cached = cache_->get(tile);
    if (cached && !TileSource::imageType(*cached).isEmpty())
        return cached;
    return std::nullopt;
}

void MapTileServer::requestStarted(QWebEngineUrlRequestJob *job)
{
    const std::optional<TileId> tile = TileSource::parseTilePath(job->requestUrl().path());
    if (!tile) {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    const QStringList sources = sources_;
    QPointer<QWebEngineUrlRequestJob> pending(job);
    QPointer<MapTileServer> self(this);
    const TileId t = *tile;
    QElapsedTimer timer;
    timer.start();
    pool_.start([this, self, pending, sources, t, timer] {
        std::optional<QByteArray> bytes = localTile(sources, t);
        QMetaObject::invokeMethod(this, [self, pending, bytes, t, timer] {
            if (!self || !pending)
                return;   // the page went away or cancelled the request
            if (bytes) {
                replyWith(pending, *bytes);
                if (self->serveMs_.size() >= 1000)
                    self->serveMs_.removeFirst();
                self->serveMs_ << timer.nsecsElapsed() / 1e6;
            } else {
                self->fetch(pending, t);
            }
        }, Qt::QueuedConnection);
    });
}

void MapTileServer::setCacheLimitBytes(qint64 bytes)
{
    if (bytes == cacheLimit_)
        return;
    cacheLimit_ = bytes;
    TileCache *cache = cache_.get();
    pool_.start([cache, bytes] { cache->setLimit(bytes); });
}

void MapTileServer::setOnlineMaps(bool on)
{
    onlineMaps_ = on;
    if (on)
        return;
    // Nothing more leaves the program: the tiles still waiting are refused.
    const QList<Download> waiting = std::exchange(waiting_, {});
    for (const Download &d : waiting)
        if (d.job)
            d.job->fail(QWebEngineUrlRequestJob::UrlNotFound);
}

void MapTileServer::fetch(QWebEngineUrlRequestJob *job, const TileId &tile)
{
    waiting_.append({job, tile});
    startDownloads();
}

void MapTileServer::startDownloads()
{
    while (inFlight_ < MapSettings::kMaxDownloads && !waiting_.isEmpty()) {
        const Download next = waiting_.takeFirst();
        if (next.job)   // else the page no longer wants it
            download(next.job, next.tile);
    }
}

void MapTileServer::download(QWebEngineUrlRequestJob *job, const TileId &tile)
{
    // Checked again here: the setting may have been turned off meanwhile.
    if (!networkAllowed_ || !onlineMaps_) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    if (!network_)
        network_ = new QNetworkAccessManager(this);
    QString url = tileServer_;
    url.replace(QLatin1String("{z}"), QString::number(tile.z))
        .replace(QLatin1String("{x}"), QString::number(tile.x))
        .replace(QLatin1String("{y}"), QString::number(tile.y));
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, MapSettings::userAgent());
    request.setTransferTimeout(15000);
    ++networkRequests_;
    ++inFlight_;
    mostInFlight_ = std::max(mostInFlight_, inFlight_);
    QNetworkReply *reply = network_->get(request);
    QPointer<QWebEngineUrlRequestJob> pending(job);
    connect(reply, &QNetworkReply::finished, this, [this, reply, pending, tile] {
        reply->deleteLater();
        --inFlight_;
        // The next waiting tile goes out once this one's reply is handled.
        QMetaObject::invokeMethod(this, &MapTileServer::startDownloads, Qt::QueuedConnection);
        const QByteArray bytes = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
        const bool image = !TileSource::imageType(bytes).isEmpty();
        if (image) {
            TileCache *cache = cache_.get();
            pool_.start([cache, tile, bytes] { cache->put(tile, bytes); });
        }
        if (!pending)
            return;
        if (image)
            replyWith(pending, bytes);
        else
            pending->fail(QWebEngineUrlRequestJob::UrlNotFound);
    });
}
