#include "PlayerCapture.h"

#include "ChannelPictures.h"
#include "VideoPicture.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "common/TimeFormatUtils.h"
#include "media/MediaEngine.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QStandardPaths>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>

namespace {
constexpr float kToastSeconds = 0.8f;   // as long as the player's other toasts
} // namespace

PlayerCapture::PlayerCapture(const Settings &settings, MediaEngine &engine, VideoPicture *main,
                             ChannelPictures *channels, QObject *parent)
    : QObject(parent), settings_(settings), engine_(engine), main_(main), channels_(channels)
{
}

QString PlayerCapture::pictureSaveDirectory()
{
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath() + QStringLiteral("/Pictures");
    const QString dir = pictures + QStringLiteral("/vistrel");
    if (!QFileInfo::exists(dir))
        QDir().mkpath(dir);
    return dir;
}

void PlayerCapture::capture()
{
    if (!engine_.isReady()) {
        emit message(Localization::text("capture_fail"), kToastSeconds);
        return;
    }
    // Named by the recording's time at the picture, else by the time of the capture;
    // never over an earlier capture.
    QString stem = captureFacts ? CaptureText::fileStem(captureFacts(engine_.currentTime())) : QString();
    if (stem.isEmpty())
        stem = TimeFormatUtils::stringDateFormat(QDateTime::currentDateTime());
    const QStringList endings{QStringLiteral(".png"), QStringLiteral("_view.png")};
    const QString base = CaptureText::freeBase(pictureSaveDirectory() + QLatin1Char('/') + stem, endings,
                                               [](const QString &p) { return QFileInfo::exists(p); });
    if (channels_ && channels_->count() > 0)
        saveEveryCamera(base);
    else
        saveMainPicture(base + QStringLiteral(".png"));
}

void PlayerCapture::saveMainPicture(const QString &path)
{
    // The frame under the playhead is the one the sink shows; converting, encoding and
    // writing it happen on the pool.
    QPointer<PlayerCapture> self(this);
    saveCurrentFrame(path).then(qApp, [self, path](bool ok) {
        if (!self)
            return;
        emit self->message(ok ? Localization::text("capture_saved_as").arg(QDir::toNativeSeparators(path))
                              : Localization::text("capture_fail"),
                           kToastSeconds * 2);
        emit self->captureFinished(path, ok);
    });
}

void PlayerCapture::saveEveryCamera(const QString &base)
{
    // The main picture under `base`, each other camera's beside it under its word, and
    // the stage as the user sees it, composed from the same frames.
    const auto [chunks, caption] = captureText(true);
    const QString path = base + QStringLiteral(".png");
    QList<QFuture<bool>> writing{saveCurrentFrame(path)};
    QStringList missing;
    QHash<QWidget *, QVideoFrame> frames{{main_, main_->videoSink()->videoFrame()}};
    for (int i = 0; i < channels_->count(); ++i) {
        const QString word = CaptureText::channelWord(channels_->channel(i));
        if (channels_->isGap(i)) {
            missing << word;
            continue;
        }
        const QVideoFrame frame = channels_->videoSink(i)->videoFrame();
        frames.insert(channels_->tile(i), frame);
        writing << FrameCapture::savePng(frame, base + QLatin1Char('_') + word + QStringLiteral(".png"), chunks,
                                         caption);
    }
    QList<std::pair<QVideoFrame, FrameCapture::StageTile>> stage;
    for (QWidget *w : channels_->shown()) {
        const auto *picture = qobject_cast<VideoPicture *>(w);
        const auto *gap = qobject_cast<QLabel *>(w);
        stage.append({frames.value(w), {QImage(), w->geometry(), picture && picture->isMirrored(),
                                        gap ? gap->text() : QString()}});
    }
    const QSize size = channels_->stage()->size();
    writing << FrameCapture::savePng([stage, size]() mutable {
        QList<FrameCapture::StageTile> tiles;
        for (auto &[frame, tile] : stage) {
            if (frame.isValid())
                tile.image = frame.toImage();
            tiles << tile;
        }
        return FrameCapture::compose(size, tiles);
    }, base + QStringLiteral("_view.png"), chunks, caption);

    QPointer<PlayerCapture> self(this);
    QtFuture::whenAll(writing.begin(), writing.end()).then(qApp, [self, path, missing](const QList<QFuture<bool>> &done) {
        if (!self)
            return;
        const bool ok = done.first().result();
        const auto written = std::count_if(done.begin(), done.end(), [](const QFuture<bool> &f) { return f.result(); });
        QString text = ok ? Localization::text("capture_saved_pictures_in")
                                .arg(written)
                                .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()))
                          : Localization::text("capture_fail");
        if (!missing.isEmpty())
            text += QLatin1Char(' ') + Localization::text("capture_no_recording").arg(missing.join(QStringLiteral(", ")));
        emit self->message(text, kToastSeconds * 3);
        emit self->captureFinished(path, ok);
    });
}

std::pair<FrameCapture::TextChunks, QString> PlayerCapture::captureText(bool place) const
{
    FrameCapture::TextChunks chunks;
    QString caption;
    if (captureFacts && engine_.isReady()) {
        CaptureFacts facts = captureFacts(engine_.currentTime());
        // The user may keep where the car was and how fast it went out of saved pictures.
        if (!place || !settings_.placeInPictures())
            facts = CaptureFacts{facts.recorded, std::nullopt, std::nullopt, std::nullopt};
        const bool mph = !settings_.kmph();
        chunks = CaptureText::chunks(facts, mph);
        if (settings_.captureCaption())
            caption = CaptureText::caption(facts, mph);
    }
    return {chunks, caption};
}

QFuture<bool> PlayerCapture::saveCurrentFrame(const QString &path, bool place)
{
    const auto [chunks, caption] = captureText(place);
    return FrameCapture::savePng(main_->videoSink()->videoFrame(), path, chunks, caption);
}
