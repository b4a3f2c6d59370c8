#include "ChannelPictures.h"

#include "ClipTime.h"
#include "Companions.h"
#include "MovieDuration.h"
#include "VideoPicture.h"
#include "common/Localization.h"
#include "media/MediaEngine.h"

#include <QDirIterator>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QUrl>
#include <QVideoSink>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <utility>

ChannelPictures::ChannelPictures(MediaEngine *engine, QWidget *stage, VideoPicture *main, QObject *parent)
    : QObject(parent), engine_(engine), stage_(stage), main_(main)
{
    if (QLayout *layout = stage_->layout())
        layout->removeWidget(main_);
    stage_->installEventFilter(this);
    main_->installEventFilter(this);
    order_ = {main_};
    connect(engine_, &MediaEngine::cameraStatusChanged, this, [this](int camera, MediaEngine::CameraStatus status) {
        for (Tile *t : tiles_) {
            if (t->camera != camera || camera <= 0)
                continue;
            if (status == MediaEngine::CameraStatus::NoRecording)
                showGap(*t);
            else
                showBeforeStart(*t, status == MediaEngine::CameraStatus::NotStarted);
        }
    });
    connect(engine_, &MediaEngine::camerasProbed, this, [this] {
        for (Tile *t : tiles_)
            if (t->camera > 0 && !t->gap)
                compare(*t);
        place();   // the insets take their pictures' shape
    });
    place();
}

ChannelPictures::~ChannelPictures()
{
    closeTiles();
}

// ---------------------------------------------------------------------------------
// The other cameras

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
        int camera = 0;
        for (const Companion &c : findCompanions(QFile::encodeName(clip.fileName()).toStdString(), names, state, time)) {
            auto *t = new Tile;
            t->channel = c.channel;
            t->late = c.startMs / 1000.0;
            if (!c.name.empty())
                t->file = dir + QFile::decodeName(c.name.c_str());
            tiles_.push_back(t);
            if (c.gap == Companion::Gap::None) {
                t->camera = ++camera;
                openTile(*t);
            } else {
                showGap(*t);
            }
            if (c.claims > 1)
                emit message(Localization::text("channel_two_files").arg(QFileInfo(t->file).fileName()), 4.0f);
        }
    }
    order_ = {main_};
    corners_.clear();
    for (int i = 0; i < count(); ++i)
        order_.append(tile(i));
    setMirrorRear(mirrorRear_);
    applyOffsets();
    place();
    emit camerasChanged(count());
}

QList<MediaEngine::Camera> ChannelPictures::engineCameras() const
{
    QList<MediaEngine::Camera> out;
    for (const Tile *t : tiles_)
        if (t->camera > 0)
            out.append({t->file, t->picture ? t->picture->videoSink() : nullptr, t->offset});
    return out;
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
}

void ChannelPictures::compare(Tile &t)
{
    const auto pictureOf = [](const CameraInfo &info) {
        ChannelRules::Picture p;
        p.fps = info.fps;
        p.size = info.size;
        p.codec = info.codec;
        return p;
    };
    const ChannelRules::Picture own = pictureOf(engine_->cameraInfo(t.camera));
    const ChannelRules::Picture main = pictureOf(engine_->cameraInfo(0));
    if (!t.picture)
        return;
    // Every tile says on hover which camera it is, and how its picture differs from the
    // main one's when it does.
    const QString name = title(t.channel);
    if (!ChannelRules::differ(main, own)) {
        t.picture->setToolTip(name);
        return;
    }
    const QString text = Localization::text("channel_differs")
                             .arg(QFileInfo(t.file).fileName(), ChannelRules::describe(own), ChannelRules::describe(main));
    if (name + QLatin1Char('\n') + text == t.picture->toolTip())
        return;
    t.picture->setToolTip(name + QLatin1Char('\n') + text);
    emit message(text, 6.0f);
}

QLabel *ChannelPictures::newTileLabel(const QString &prefix, char channel)
{
    // Native, as the pictures are, so that it shows in a picture's place.
    auto *label = new QLabel(stage_);
    label->setAttribute(Qt::WA_NativeWindow);
    label->setObjectName(prefix + QString::fromStdString(ClipTime::channelName(channel)));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    label->setStyleSheet(QStringLiteral("QLabel { background: #202020; color: #d0d0d0; border: 1px solid #505050; }"));
    label->installEventFilter(this);
    return label;
}

void ChannelPictures::showGap(Tile &t)
{
    if (t.gap)
        return;
    t.gap = newTileLabel(QStringLiteral("gap_"), t.channel);
    t.gap->setText(Localization::text("channel_no_recording"));
    // In the place of its picture, or of the label before its start.
    QWidget *was = t.beforeStart ? static_cast<QWidget *>(t.waiting) : t.picture;
    t.beforeStart = false;
    for (QPointer<QWidget> &w : order_)
        if (w == was)
            w = t.gap;
    for (QWidget *w : {static_cast<QWidget *>(t.picture), static_cast<QWidget *>(t.waiting)})
        if (w)
            w->hide();
    t.gap->show();
    place();
    emit gapShown(t.channel);
}

void ChannelPictures::showBeforeStart(Tile &t, bool on)
{
    if (on == t.beforeStart || t.gap || !t.picture)
        return;
    t.beforeStart = on;
    if (on && !t.waiting)
        t.waiting = newTileLabel(QStringLiteral("waiting_"), t.channel);
    if (on) {
        const qint64 s = std::llround(std::max(0.0, -t.offset));
        t.waiting->setText(Localization::text("channel_no_recording") + QLatin1Char('\n')
                           + Localization::text("channel_starts_at")
                                 .arg(QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'))));
    }
    QWidget *from = on ? static_cast<QWidget *>(t.picture) : t.waiting;
    QWidget *to = on ? static_cast<QWidget *>(t.waiting) : t.picture;
    for (QPointer<QWidget> &w : order_)
        if (w == from)
            w = to;
    from->hide();
    to->show();
    place();
}

void ChannelPictures::closeTiles()
{
    for (Tile *t : tiles_) {
        delete t->picture;
        delete t->waiting;
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

bool ChannelPictures::isBeforeStart(int i) const
{
    return tiles_[size_t(i)]->beforeStart;
}

double ChannelPictures::time(int i) const
{
    const Tile *t = tiles_[size_t(i)];
    return t->camera > 0 && !t->gap ? engine_->cameraTime(t->camera) : 0.0;
}

QVideoSink *ChannelPictures::videoSink(int i) const
{
    const Tile *t = tiles_[size_t(i)];
    return t->picture ? t->picture->videoSink() : nullptr;
}

QWidget *ChannelPictures::tile(int i) const
{
    const Tile *t = tiles_[size_t(i)];
    if (t->gap)
        return t->gap;
    return t->beforeStart ? static_cast<QWidget *>(t->waiting) : t->picture;
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
        // Where its recording started apart, that much more.
        const double offset = (offsets_.value(ChannelRules::namePattern(t->file)).toInt() - lead) / 1000.0 - t->late;
        if (offset == t->offset)
            continue;
        t->offset = offset;
        // The pipeline holds the camera's pictures apart by a pad offset: shown at once.
        if (t->camera > 0)
            engine_->setCameraOffset(t->camera, offset);
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

QList<QList<ChannelRules::Beside>> ChannelPictures::camerasBeside(const QStringList &paths)
{
    QHash<QString, std::vector<std::string>> folders;
    QList<QList<ChannelRules::Beside>> out;
    for (const QString &path : paths) {
        QList<ChannelRules::Beside> cameras;
        const QFileInfo clip(path);
        if (!path.isEmpty()) {
            const QString dir = clip.absolutePath() + QLatin1Char('/');
            auto names = folders.find(dir);
            if (names == folders.end())
                names = folders.insert(dir, namesIn(dir));
            const auto state = [&dir](const std::string &name) { return fileIn(dir, name); };
            for (const Companion &c : findCompanions(QFile::encodeName(clip.fileName()).toStdString(), *names, state))
                cameras.append({c.channel, c.gap != Companion::Gap::None, std::max(0.0, c.startMs / 1000.0)});
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
    focused_ = false;
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

double ChannelPictures::insetAspect() const
{
    // Insets take the shape of the other cameras' pictures (the first one's, once probed).
    for (const Tile *t : tiles_)
        if (t->camera > 0 && !t->gap) {
            const QSize size = engine_->cameraInfo(t->camera).size;
            return size.isEmpty() ? 0.0 : double(size.width()) / size.height();
        }
    return 0.0;
}

void ChannelPictures::place()
{
    const QList<QWidget *> shown = pictures();
    const QList<QRect> rects =
        ChannelRules::tiles(shownAs(), stage_->size(), int(shown.size()), corners_, insetShare_, insetAspect());
    for (int i = 0; i < shown.size() && i < rects.size(); ++i) {
        shown[i]->setGeometry(rects[i]);
        // An inset shows where it can be sized as the pointer passes.
        shown[i]->setMouseTracking(i > 0 && shownAs() == ChannelRules::Arrangement::Insets);
    }
    // The insets above the large picture; the cameras' names above the pictures.
    for (int i = 1; i < shown.size(); ++i)
        shown[i]->raise();
    placeNames(shown, rects);
}

char ChannelPictures::channelOf(const QWidget *picture) const
{
    if (picture == main_)
        return mainChannel_;
    for (const Tile *t : tiles_)
        if (picture == t->picture || picture == t->gap || picture == t->waiting)
            return t->channel;
    return 0;
}

void ChannelPictures::placeNames(const QList<QWidget *> &shown, const QList<QRect> &rects)
{
    QList<char> named;
    for (int i = 0; shown.size() > 1 && i < shown.size() && i < rects.size(); ++i) {
        const char channel = channelOf(shown[i]);
        const QString text = ChannelRules::laneLabel(channel);
        if (text.isEmpty())
            continue;
        QPointer<QLabel> &name = names_[channel];
        if (!name) {
            // Native, as the pictures are, so that it shows above its picture.
            name = new QLabel(stage_);
            name->setAttribute(Qt::WA_NativeWindow);
            name->setObjectName(QStringLiteral("cameraName_") + QString::fromStdString(ClipTime::channelName(channel)));
            name->setTextFormat(Qt::PlainText);
            name->setStyleSheet(QStringLiteral(
                "QLabel { background: #1b1d20; color: #eceff2; padding: 1px 6px; font-size: 11px; }"));
        }
        name->setText(text);
        name->adjustSize();
        const QRect &r = rects[i];
        name->move(r.center().x() - name->width() / 2, r.top() + 4);
        name->setVisible(r.width() > name->width() + 8 && r.height() > 3 * name->height());
        name->raise();
        named << channel;
    }
    for (auto it = names_.begin(); it != names_.end(); ++it)
        if (it.value() && !named.contains(it.key()))
            it.value()->hide();
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
    if (event->type() == QEvent::Wheel && shownAs() == ChannelRules::Arrangement::Insets && order_.indexOf(w) > 0) {
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
    const qsizetype inset = shownAs() == ChannelRules::Arrangement::Insets ? order_.indexOf(w) : -1;
    const auto cornerOf = [this](qsizetype slot) {
        return slot - 1 < corners_.size() ? corners_[slot - 1] : ChannelRules::BottomRight;
    };
    if (event->type() == QEvent::MouseMove && inset > 0) {
        auto *move = static_cast<QMouseEvent *>(event);
        const QPoint at = stage_->mapFromGlobal(move->globalPosition().toPoint());
        if (sizing_ && pressed_ == w) {
            setInsetShare(ChannelRules::shareAt(stage_->size(), sizingFixed_, at, insetAspect()));
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
            const ChannelRules::Click click = ChannelRules::clicked(arrangement_, focused_, int(slot));
            if (click.toFront)
                for (Tile *t : tiles_)
                    if (w == t->picture || w == t->gap || w == t->waiting)
                        chosen_ = t->channel;
            if (click.focused != focused_) {
                focused_ = click.focused;
                place();
            }
            if (click.toFront)
                enlarge(w);
        } else if (slot > 0 && shownAs() == ChannelRules::Arrangement::Insets) {
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
    for (Tile *t : tiles_) {
        if (t->gap)
            t->gap->setText(Localization::text("channel_no_recording"));
        if (t->beforeStart) {
            showBeforeStart(*t, false);   // said again in the language now chosen
            showBeforeStart(*t, true);
        }
    }
}
