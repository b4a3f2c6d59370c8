#include "ChannelPictures.h"

#include "ClipTime.h"
#include "Companions.h"
#include "KeyFrames.h"
#include "MovieDuration.h"
#include "PlaybackClock.h"
#include "PlaybackSession.h"
#include "PlaybackSteps.h"
#include "VideoPicture.h"
#include "common/Localization.h"

#include <QDirIterator>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QMediaFormat>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <utility>

ChannelPictures::ChannelPictures(PlaybackSession *lead, QWidget *stage, VideoPicture *main, QObject *parent)
    : QObject(parent), lead_(lead), stage_(stage), main_(main)
{
    if (QLayout *layout = stage_->layout())
        layout->removeWidget(main_);
    stage_->installEventFilter(this);
    main_->installEventFilter(this);
    order_ = {main_};
    follow();
    place();
}

ChannelPictures::~ChannelPictures()
{
    closeTiles();
}

void ChannelPictures::follow()
{
    connect(lead_, &PlaybackSession::timeChanged, this, &ChannelPictures::onLeadTick);
    connect(lead_, &PlaybackSession::seeking, this, &ChannelPictures::seekAll);
    connect(main_->videoSink(), &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &f) {
        if (leadSeek_.pending && f.isValid() && std::abs(double(f.startTime()) / 1e6 - leadSeek_.target) < 0.5) {
            leadSeek_.latency.add(leadSeek_.asked.elapsed());
            leadSeek_.pending = false;
        }
    });
    const auto state = [this] {
        const double rate = lead_->rate();
        const bool playing = lead_->isPlaying() && !lead_->isSkimming();
        for (Tile *t : tiles_) {
            if (!t->ready)
                continue;
            if (playing) {
                if (t->engine->playbackRate() != rate)
                    t->engine->setPlaybackRate(rate);
                if (t->engine->playbackState() != QMediaPlayer::PlayingState
                    && lead_->currentTime() + t->offset < t->clock->duration())
                    t->engine->play();
            } else if (t->engine->playbackState() == QMediaPlayer::PlayingState) {
                // Sent to the lead's moment before it is paused: a seek that follows a
                // pause, or another seek, waits for that to settle, which holds the
                // window for up to a third of a second per camera. One that is still
                // on its way (Stop sends every camera to the start, then pauses) is
                // sent again once it has landed.
                if (t->seekPending && t->seekAsked.elapsed() < kSeekWaitMs)
                    t->resend = !lead_->isSkimming();
                else if (!lead_->isSkimming())
                    seekTile(*t, lead_->currentTime() + t->offset);
                t->engine->pause();
            }
        }
    };
    connect(lead_, &PlaybackSession::playbackStateChanged, this, state);
    connect(lead_, &PlaybackSession::rateChanged, this, state);
    connect(lead_, &PlaybackSession::setUpFinished, this, state);
}

// ---------------------------------------------------------------------------------
// The followers

namespace {

// The names of the folder `dir` (ending in '/'), at most as many as are looked at.
std::vector<std::string> namesIn(const QString &dir)
{
    std::vector<std::string> names;
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext() && names.size() < kMaxCompanionNames)
        names.push_back(QFile::encodeName(it.nextFileInfo().fileName()).toStdString());
    return names;
}

CompanionFile fileIn(const QString &dir, const std::string &name)
{
    const QFileInfo f(dir + QFile::decodeName(name.c_str()));
    return f.exists() ? CompanionFile{f.size(), f.isReadable()} : CompanionFile{};
}

} // namespace

void ChannelPictures::setClip(const QString &path)
{
    closeTiles();
    mainChannel_ = 0;
    mainPattern_ = ChannelRules::namePattern(path);
    if (!path.isEmpty()) {
        const QFileInfo clip(path);
        mainChannel_ = ClipTime::channel(QFile::encodeName(clip.fileName()).toStdString());
        const QString dir = clip.absolutePath() + QLatin1Char('/');
        const std::vector<std::string> names = namesIn(dir);
        const auto state = [&dir](const std::string &name) { return fileIn(dir, name); };
        // What the files say of their start: the GPS's as already read, the movie header's.
        const auto time = [this, &dir](const std::string &name) {
            const QString file = dir + QFile::decodeName(name.c_str());
            CompanionTime t;
            if (gpsStart)
                t.gpsUtcMs = gpsStart(file);
            t.movieMs = MovieDuration::header(QFile::encodeName(file).toStdString()).createdMs;
            return t;
        };
        for (const Companion &c : findCompanions(QFile::encodeName(clip.fileName()).toStdString(), names, state, time)) {
            auto *t = new Tile;
            t->channel = c.channel;
            if (!c.name.empty())
                t->file = dir + QFile::decodeName(c.name.c_str());
            tiles_.push_back(t);
            if (c.gap == Companion::Gap::None)
                openTile(*t);
            else
                showGap(*t);
            if (c.claims > 1)
                emit message(Localization::text("channel_two_files").arg(QFileInfo(t->file).fileName()), 4.0f);
        }
    }
    order_ = {main_};
    corners_.clear();
    for (Tile *t : tiles_) {
        order_.append(tile(int(order_.size()) - 1));
        Q_UNUSED(t);
    }
    setMirrorRear(mirrorRear_);
    applyOffsets();
    place();
    emit camerasChanged(count());
}

void ChannelPictures::openTile(Tile &t)
{
    t.picture = new VideoPicture;
    // Native before it joins the stage, like the main picture, so it stays inside it.
    for (QWidget *child : t.picture->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->winId();
    t.picture->setParent(stage_);
    t.picture->setObjectName(QStringLiteral("channel_") + QString::fromStdString(ClipTime::channelName(t.channel)));
    t.picture->installEventFilter(this);
    t.picture->show();
    // No audio output: the sound is the main picture's.
    t.engine = new QMediaPlayer(this);
    t.engine->setVideoOutput(t.picture->videoSink());
    t.clock = new PlaybackClock(this);
    Tile *tp = &t;
    connect(t.engine, &QMediaPlayer::mediaStatusChanged, this, [this, tp](QMediaPlayer::MediaStatus s) {
        if (s == QMediaPlayer::LoadedMedia && !tp->ready) {
            if (!tp->engine->hasVideo()) {
                showGap(*tp);
                return;
            }
            tp->ready = true;
            tp->clock->install(tp->engine, tp->picture->videoSink());
            compare(*tp);
            if (!lead_->isPlaying() || lead_->isSkimming()) {
                seekTile(*tp, lead_->currentTime() + tp->offset);
                tp->engine->pause();
            } else {
                tp->engine->setPlaybackRate(lead_->rate());
                seekTile(*tp, lead_->currentTime() + tp->offset);
            }
        } else if (s == QMediaPlayer::InvalidMedia) {
            showGap(*tp);
        }
    });
    connect(t.engine, &QMediaPlayer::errorOccurred, this, [this, tp] { showGap(*tp); });
    connect(t.engine, &QMediaPlayer::metaDataChanged, this, [this, tp] {
        if (tp->ready)
            compare(*tp);
    });
    // A seek has landed once a picture near its target is shown; what that took aims
    // the next correction where the lead will be by then.
    connect(t.picture->videoSink(), &QVideoSink::videoFrameChanged, t.picture, [this, tp](const QVideoFrame &f) {
        if (f.isValid())
            tp->shown = true;
        if (tp->seekPending && f.isValid() && std::abs(double(f.startTime()) / 1e6 - tp->seekTarget) < 0.5) {
            (tp->jumping ? tp->jumpLatency : tp->latency).add(tp->seekAsked.elapsed());
            tp->seekPending = false;
            if (std::exchange(tp->resend, false) && !lead_->isPlaying() && !lead_->isSkimming())
                QTimer::singleShot(0, tp->engine, [this, tp] { seekTile(*tp, lead_->currentTime() + tp->offset); });
        }
    });
    t.engine->setSource(QUrl::fromLocalFile(t.file));
    // Playing at once shows the first frame soonest; the first tick puts it in step.
    t.engine->play();
    // A file cut short may load and yet never give a picture, nor an error.
    QTimer::singleShot(kFirstPictureMs, t.picture, [this, tp] {
        if (!tp->shown)
            showGap(*tp);
    });
}

namespace {

ChannelRules::Picture pictureOf(const QMediaPlayer *engine)
{
    const QMediaMetaData meta = engine->metaData();
    ChannelRules::Picture p;
    p.fps = meta.value(QMediaMetaData::VideoFrameRate).toDouble();
    p.size = meta.value(QMediaMetaData::Resolution).toSize();
    const QVariant codec = meta.value(QMediaMetaData::VideoCodec);
    if (codec.isValid() && codec.value<QMediaFormat::VideoCodec>() != QMediaFormat::VideoCodec::Unspecified)
        p.codec = QMediaFormat::videoCodecName(codec.value<QMediaFormat::VideoCodec>());
    return p;
}

} // namespace

void ChannelPictures::compare(Tile &t)
{
    const ChannelRules::Picture own = pictureOf(t.engine);
    t.fps = own.fps;
    if (!lead_->player())
        return;
    const ChannelRules::Picture main = pictureOf(lead_->player());
    if (!ChannelRules::differ(main, own)) {
        t.picture->setToolTip(QString());
        return;
    }
    const QString text = Localization::text("channel_differs")
                             .arg(QFileInfo(t.file).fileName(), ChannelRules::describe(own), ChannelRules::describe(main));
    if (text == t.picture->toolTip())
        return;
    t.picture->setToolTip(text);
    emit message(text, 6.0f);
}

void ChannelPictures::showGap(Tile &t)
{
    if (t.gap)
        return;
    t.ready = false;
    t.gap = new QLabel(stage_);
    if (t.clock)
        t.clock->remove();
    if (t.engine) {
        // Unloading may report the failure once more.
        t.engine->disconnect(this);
        t.engine->stop();
        t.engine->setSource(QUrl());
    }
    t.gap->setAttribute(Qt::WA_NativeWindow);
    t.gap->setObjectName(QStringLiteral("gap_") + QString::fromStdString(ClipTime::channelName(t.channel)));
    t.gap->setTextFormat(Qt::PlainText);
    t.gap->setAlignment(Qt::AlignCenter);
    t.gap->setAutoFillBackground(true);
    t.gap->setStyleSheet(QStringLiteral("QLabel { background: #202020; color: #d0d0d0; border: 1px solid #505050; }"));
    t.gap->setText(Localization::text("channel_no_recording"));
    t.gap->installEventFilter(this);
    QWidget *was = t.picture;
    for (QPointer<QWidget> &w : order_)
        if (w == was)
            w = t.gap;
    if (t.picture)
        t.picture->hide();
    t.gap->show();
    place();
    emit gapShown(t.channel);
}

void ChannelPictures::closeTiles()
{
    for (Tile *t : tiles_) {
        if (t->clock)
            t->clock->remove();
        if (t->engine) {
            t->engine->disconnect(this);
            // Destroying a loaded engine aborts inside the GStreamer video output.
            t->engine->stop();
            t->engine->setSource(QUrl());
            t->engine->setVideoOutput(nullptr);
            delete t->engine;
        }
        delete t->clock;
        delete t->picture;
        delete t->gap;
        delete t;
    }
    tiles_.clear();
    order_ = {main_};
}

char ChannelPictures::channel(int i) const
{
    return tiles_[size_t(i)]->channel;
}

QString ChannelPictures::file(int i) const
{
    return tiles_[size_t(i)]->file;
}

bool ChannelPictures::isGap(int i) const
{
    return tiles_[size_t(i)]->gap != nullptr;
}

double ChannelPictures::time(int i) const
{
    const Tile *t = tiles_[size_t(i)];
    return t->ready ? t->clock->currentTime() : 0.0;
}

QVideoSink *ChannelPictures::videoSink(int i) const
{
    const Tile *t = tiles_[size_t(i)];
    return t->picture ? t->picture->videoSink() : nullptr;
}

QWidget *ChannelPictures::tile(int i) const
{
    const Tile *t = tiles_[size_t(i)];
    return t->gap ? static_cast<QWidget *>(t->gap) : t->picture;
}

// ---------------------------------------------------------------------------------
// Keeping in step

void ChannelPictures::seekTile(Tile &t, double seconds)
{
    if (!t.ready)
        return;
    t.seekPending = true;
    t.jumping = false;
    t.seekAsked.start();
    t.seekTarget = std::clamp(seconds, 0.0, std::max(0.0, t.clock->duration() - 0.001));
    t.clock->seekExact(t.seekTarget);
}

void ChannelPictures::seekAll(double seconds)
{
    if (lead_->isSkimming())
        return;   // the skimming ticks lead the followers
    leadSeek_.pending = true;
    leadSeek_.asked.start();
    leadSeek_.target = seconds;
    // Playing, each picture goes on from where its seek lands: a follower whose seeks
    // take longer than the lead's is sent that much further on.
    const bool playing = lead_->isPlaying();
    for (Tile *t : tiles_) {
        const double ahead =
            playing ? ChannelRules::jumpAhead(t->jumpLatency.value(), leadSeek_.latency.value(), lead_->rate()) : 0.0;
        seekTile(*t, seconds + t->offset + ahead);
        t->jumping = true;
    }
}

void ChannelPictures::onLeadTick(double seconds)
{
    const double rate = lead_->rate();
    if (lead_->isSkimming()) {
        // A key frame at a time, no more often than the decoder can show them.
        for (Tile *t : tiles_) {
            if (!t->ready || (t->skimSeek.isValid() && t->skimSeek.elapsed() < kSkimSeekMs))
                continue;
            if (!t->keyFramesRead) {
                t->keyFrames = KeyFrames::ofFile(QFile::encodeName(t->file).toStdString());
                t->keyFramesRead = true;
            }
            const double key = PlaybackSteps::keyFrameFor(t->keyFrames, seconds + t->offset, rate);
            t->skimSeek.start();
            t->engine->setPosition(PlaybackSteps::frameSeekMs(std::clamp(key, 0.0, t->clock->duration())));
            // Paused after the seek, not before: see follow().
            if (t->engine->playbackState() == QMediaPlayer::PlayingState)
                t->engine->pause();
        }
        return;
    }
    const bool playing = lead_->isPlaying();
    const double leadFrame = lead_->frameDuration();
    // Until the lead's own seek has landed its time is the one asked for, not the picture's.
    if (leadSeek_.pending && leadSeek_.asked.elapsed() < kSeekWaitMs)
        return;
    for (Tile *t : tiles_) {
        // Two channels show the same moment while they are a frame of the coarser one
        // apart. Paused, a follower of the same rate lands on the lead's frame; one with
        // fewer frames on the one that holds the lead's moment, up to its own frame before.
        const double frame = ChannelRules::frameOf(1.0 / leadFrame, t->fps);
        const double still = frame > leadFrame + 1e-6 ? frame + 0.002 : leadFrame / 2;
        // Each seek costs a decode from the key frame before it: while playing, one a
        // second at most, so that the followers never starve the lead of the decoder;
        // but a seek that landed far off (it took much longer than the last ones) is
        // put right sooner.
        if (!t->ready || (t->seekPending && t->seekAsked.elapsed() < kSeekWaitMs))
            continue;
        const bool farOff = !t->seekPending && std::abs(seconds + t->offset - t->clock->currentTime()) > 5 * frame;
        if (playing && t->seekAsked.isValid() && t->seekAsked.elapsed() < (farOff ? kQuickCorrectionMs : kCorrectionGapMs))
            continue;
        const std::optional<double> to =
            ChannelRules::correction(seconds, t->clock->currentTime(), playing ? frame : still,
                                     t->clock->duration(), playing ? rate * t->latency.value() : 0.0, t->offset);
        // Each seek stops the follower's picture while it decodes: a playing one is only
        // sent once it has stayed off for a while, not for one tick's jitter.
        if (!to) {
            t->offSince.invalidate();
            continue;
        }
        if (playing && !farOff && (!t->offSince.isValid() || t->offSince.elapsed() < kDriftConfirmMs)) {
            if (!t->offSince.isValid())
                t->offSince.start();
            continue;
        }
        t->offSince.invalidate();
        seekTile(*t, *to);
    }
}

void ChannelPictures::setOffsets(const QVariantMap &msByPattern)
{
    offsets_ = msByPattern;
    applyOffsets();
}

void ChannelPictures::applyOffsets()
{
    const int lead = offsets_.value(mainPattern_).toInt();
    for (Tile *t : tiles_) {
        const double offset = (offsets_.value(ChannelRules::namePattern(t->file)).toInt() - lead) / 1000.0;
        if (offset == t->offset)
            continue;
        t->offset = offset;
        // Shown at once, also while paused; a playing one waits for no correction gap.
        if (!lead_->isSkimming())
            seekTile(*t, lead_->currentTime() + offset);
    }
}

QString ChannelPictures::pattern(int i) const
{
    return ChannelRules::namePattern(tiles_[size_t(i)]->file);
}

int ChannelPictures::offsetMs(int i) const
{
    return offsets_.value(pattern(i)).toInt();
}

int ChannelPictures::chosen() const
{
    int first = -1;
    for (int i = 0; i < count(); ++i) {
        if (tiles_[size_t(i)]->file.isEmpty())
            continue;
        if (tiles_[size_t(i)]->channel == chosen_)
            return i;
        if (first < 0)
            first = i;
    }
    return first;
}

QList<QList<QPair<char, bool>>> ChannelPictures::camerasBeside(const QStringList &paths)
{
    QHash<QString, std::vector<std::string>> folders;
    QList<QList<QPair<char, bool>>> out;
    for (const QString &path : paths) {
        QList<QPair<char, bool>> cameras;
        const QFileInfo clip(path);
        if (!path.isEmpty()) {
            const QString dir = clip.absolutePath() + QLatin1Char('/');
            auto names = folders.find(dir);
            if (names == folders.end())
                names = folders.insert(dir, namesIn(dir));
            const auto state = [&dir](const std::string &name) { return fileIn(dir, name); };
            for (const Companion &c : findCompanions(QFile::encodeName(clip.fileName()).toStdString(), *names, state))
                cameras.append({c.channel, c.gap != Companion::Gap::None});
        }
        out.append(cameras);
    }
    return out;
}

QString ChannelPictures::title(char channel)
{
    switch (channel) {
    case 'F': return Localization::text("channel_front");
    case 'R': return Localization::text("channel_rear");
    case 'I': return Localization::text("channel_interior");
    default: break;
    }
    return Localization::text("channel_other").arg(QString::fromStdString(ClipTime::channelName(channel)));
}

// ---------------------------------------------------------------------------------
// Layout

void ChannelPictures::setArrangement(ChannelRules::Arrangement a)
{
    arrangement_ = a;
    place();
}

void ChannelPictures::setMirrorRear(bool on)
{
    mirrorRear_ = on;
    main_->setMirrored(on && mainChannel_ == 'R');
    for (Tile *t : tiles_)
        if (t->picture)
            t->picture->setMirrored(on && t->channel == 'R');
}

void ChannelPictures::enlarge(QWidget *w)
{
    const qsizetype k = order_.indexOf(w);
    if (k <= 0)
        return;
    order_.swapItemsAt(0, k);
    place();
}

void ChannelPictures::setInsetShare(double share)
{
    share = std::isfinite(share) ? std::clamp(share, ChannelRules::kInsetShareMin, ChannelRules::kInsetShareMax)
                                 : ChannelRules::kInsetShare;
    if (share == insetShare_)
        return;
    insetShare_ = share;
    place();
}

QList<QWidget *> ChannelPictures::pictures() const
{
    QList<QWidget *> out;
    for (const QPointer<QWidget> &w : order_)
        if (w)
            out.append(w);
    return out;
}

void ChannelPictures::place()
{
    const QList<QWidget *> shown = pictures();
    const QList<QRect> rects =
        ChannelRules::tiles(arrangement_, stage_->size(), int(shown.size()), corners_, insetShare_);
    for (int i = 0; i < shown.size() && i < rects.size(); ++i) {
        shown[i]->setGeometry(rects[i]);
        // An inset shows where it can be sized as the pointer passes.
        shown[i]->setMouseTracking(i > 0 && arrangement_ == ChannelRules::Arrangement::Insets);
    }
    // The insets above the large picture.
    for (int i = 1; i < shown.size(); ++i)
        shown[i]->raise();
}

bool ChannelPictures::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == stage_) {
        if (event->type() == QEvent::Resize)
            place();
        else if (event->type() == QEvent::LanguageChange)
            retranslate();
        return false;
    }
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w)
        return false;
    if (event->type() == QEvent::Wheel && arrangement_ == ChannelRules::Arrangement::Insets && order_.indexOf(w) > 0) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier) || wheel->angleDelta().y() == 0)
            return false;
        const double before = insetShare_;
        setInsetShare(insetShare_ + kInsetShareStep * wheel->angleDelta().y() / 120.0);
        if (insetShare_ != before)
            emit insetShareChosen(insetShare_);
        return true;
    }
    // Dragging an inset's inner corner sizes every inset.
    const qsizetype inset = arrangement_ == ChannelRules::Arrangement::Insets ? order_.indexOf(w) : -1;
    const auto cornerOf = [this](qsizetype slot) {
        return slot - 1 < corners_.size() ? corners_[slot - 1] : ChannelRules::BottomRight;
    };
    if (event->type() == QEvent::MouseMove && inset > 0) {
        auto *move = static_cast<QMouseEvent *>(event);
        const QPoint at = stage_->mapFromGlobal(move->globalPosition().toPoint());
        if (sizing_ && pressed_ == w) {
            setInsetShare(ChannelRules::shareAt(stage_->size(), sizingFixed_, at));
            return true;
        }
        if (move->buttons() == Qt::NoButton) {
            const ChannelRules::Corner c = cornerOf(inset);
            if (ChannelRules::onGrip(w->geometry(), c, at))
                w->setCursor(c == ChannelRules::TopLeft || c == ChannelRules::BottomRight ? Qt::SizeFDiagCursor
                                                                                          : Qt::SizeBDiagCursor);
            else
                w->unsetCursor();
        }
    }
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
        && inset > 0) {
        const QPoint at = stage_->mapFromGlobal(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        sizing_ = ChannelRules::onGrip(w->geometry(), cornerOf(inset), at);
        sizingFixed_ = ChannelRules::fixedCorner(w->geometry(), cornerOf(inset));
    }
    if (event->type() == QEvent::MouseButtonRelease && pressed_ == w && std::exchange(sizing_, false)) {
        pressed_ = nullptr;
        emit insetShareChosen(insetShare_);
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        pressed_ = w;
        pressedAt_ = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
    } else if (event->type() == QEvent::MouseButtonRelease && pressed_ == w) {
        pressed_ = nullptr;
        const QPoint at = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        const qsizetype slot = order_.indexOf(w);
        if ((at - pressedAt_).manhattanLength() < 8) {
            for (Tile *t : tiles_)
                if (w == t->picture || w == t->gap)
                    chosen_ = t->channel;
            enlarge(w);
        } else if (slot > 0 && arrangement_ == ChannelRules::Arrangement::Insets) {
            while (corners_.size() < order_.size() - 1)
                corners_.append(ChannelRules::BottomRight);
            corners_[slot - 1] = ChannelRules::cornerAt(stage_->size(), stage_->mapFromGlobal(at));
            place();
        }
    }
    return false;
}

void ChannelPictures::retranslate()
{
    for (Tile *t : tiles_)
        if (t->gap)
            t->gap->setText(Localization::text("channel_no_recording"));
}
