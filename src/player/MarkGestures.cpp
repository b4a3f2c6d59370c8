#include "MarkGestures.h"

#include "ChannelPictures.h"
#include "PictureMarks.h"
#include "VideoPicture.h"
#include "common/Localization.h"
#include "media/MediaEngine.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <cmath>
#include <utility>

MarkGestures::MarkGestures(MediaEngine *engine, ChannelPictures *channels, VideoPicture *main,
                           std::function<QString()> mainFile, QObject *parent)
    : QObject(parent), engine_(engine), channels_(channels), main_(main), mainFile_(std::move(mainFile))
{
    // Installed after the pictures' own filter, so it sees the mouse first.
    follow(main_);
    connect(channels_, &ChannelPictures::camerasChanged, this, [this] {
        for (int i = 0; i < channels_->count(); ++i)
            if (auto *p = qobject_cast<VideoPicture *>(channels_->tile(i)))
                follow(p);
    });
}

void MarkGestures::follow(VideoPicture *picture)
{
    picture->installEventFilter(this);
    picture->setMouseTracking(true);
    picture->setBoxSource([this, picture](double seconds) {
        if (!marks_)
            return QList<ShownBox>();
        const QString file = fileOf(picture);
        return file.isEmpty() ? QList<ShownBox>() : marks_->boxesAt(file, seconds);
    });
}

void MarkGestures::setMarks(PictureMarks *marks)
{
    if (marks_)
        marks_->disconnect(this);
    marks_ = marks;
    if (marks_)
        connect(marks_, &PictureMarks::changed, this, &MarkGestures::refresh);
    refresh();
}

void MarkGestures::arm()
{
    if (armed_)
        return;
    armed_ = true;
    for (VideoPicture *p : pictures())
        p->setCursor(Qt::CrossCursor);
    emit armedChanged(true);
}

void MarkGestures::disarm()
{
    if (!armed_)
        return;
    armed_ = false;
    for (VideoPicture *p : pictures())
        p->unsetCursor();
    emit armedChanged(false);
}

void MarkGestures::refresh()
{
    for (VideoPicture *p : pictures())
        p->refreshBoxes();
}

QString MarkGestures::fileOf(const VideoPicture *picture) const
{
    if (picture == main_)
        return mainFile_ ? mainFile_() : QString();
    for (int i = 0; i < channels_->count(); ++i)
        if (channels_->tile(i) == picture && !channels_->isGap(i))
            return channels_->file(i);
    return QString();
}

QList<VideoPicture *> MarkGestures::pictures() const
{
    QList<VideoPicture *> out{main_};
    for (int i = 0; i < channels_->count(); ++i)
        if (auto *p = qobject_cast<VideoPicture *>(channels_->tile(i)); p && !channels_->isGap(i))
            out << p;
    return out;
}

bool MarkGestures::paused() const
{
    return engine_->isReady() && !engine_->isPlaying();
}

void MarkGestures::askAboutOffer(const QString &file, int id, QPoint global)
{
    delete offerMenu_;
    auto *menu = new QMenu;
    menu->setObjectName(QStringLiteral("markOffer"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    offerMenu_ = menu;
    QPointer<PictureMarks> marks = marks_;
    menu->addAction(Localization::text("Accept"), menu, [marks, file, id] {
        if (marks)
            marks->answered(file, id, true);
    })->setObjectName(QStringLiteral("acceptMark"));
    menu->addAction(Localization::text("Drop"), menu, [marks, file, id] {
        if (marks)
            marks->answered(file, id, false);
    })->setObjectName(QStringLiteral("dropMark"));
    menu->popup(global);
}

bool MarkGestures::eventFilter(QObject *watched, QEvent *event)
{
    auto *picture = qobject_cast<VideoPicture *>(watched);
    if (!picture || !marks_)
        return false;
    const auto type = event->type();
    if (type == QEvent::KeyPress && armed_ && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        disarm();
        return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPointF at = mouse->position();
    const QRect area = picture->pictureArea();
    const QSize frame = picture->frameSize();
    const QString file = fileOf(picture);
    const auto toFrame = [&](const QRectF &r) { return MarkShapes::toFrame(r, frame, area, picture->isMirrored()); };
    const auto pointInFrame = [&](QPointF p) {
        const QRectF r = MarkShapes::toFrame(QRectF(p, QSizeF(0.01, 0.01)), frame, area, picture->isMirrored());
        return r.isEmpty() ? QPointF(-1, -1) : r.topLeft();
    };

    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton || file.isEmpty() || frame.isEmpty())
            return false;
        on_ = picture;
        from_ = at;
        moved_ = false;
        if (armed_) {
            if (!paused())
                engine_->playOrPause();
            drag_ = Drag::Draw;
            return true;
        }
        const QList<ShownBox> boxes = picture->boxesShown();
        const int hit = MarkShapes::boxAt(boxes, pointInFrame(at));
        if (hit < 0) {
            drag_ = Drag::None;
            marks_->choose(file, -1);
            return false;
        }
        grabbed_ = boxes.at(hit);
        grabbedAt_ = picture->frameSeconds();
        marks_->choose(file, grabbed_.id);
        const QRectF shown = MarkShapes::toWidget(grabbed_.box, frame, area, picture->isMirrored());
        const QPointF corner = picture->isMirrored() ? QPointF(shown.left(), shown.bottom()) : shown.bottomRight();
        drag_ = paused() ? (MarkShapes::onGrip(QRectF(shown.topLeft(), corner).normalized(), at, kGrip)
                                    || (at - corner).manhattanLength() < kGrip
                                ? Drag::Size
                                : Drag::Move)
                         : Drag::None;
        if (drag_ == Drag::None && !grabbed_.offered)
            return true;
        if (drag_ == Drag::None)
            askAboutOffer(file, grabbed_.id, mouse->globalPosition().toPoint());
        return true;
    }

    if (on_ != picture || drag_ == Drag::None)
        return false;
    const QPointF by = at - from_;
    moved_ = moved_ || std::abs(by.x()) + std::abs(by.y()) >= 3;
    const QRectF grabbedShown = MarkShapes::toWidget(grabbed_.box, frame, area, picture->isMirrored());
    QRectF now;
    switch (drag_) {
    case Drag::Draw:
        now = MarkShapes::spanned(from_, at).intersected(QRectF(area));
        break;
    case Drag::Move:
        now = grabbedShown.translated(by);
        break;
    case Drag::Size:
        now = MarkShapes::spanned(grabbedShown.topLeft(), grabbedShown.bottomRight() + by);
        if (picture->isMirrored())
            now = MarkShapes::spanned(grabbedShown.topRight(), grabbedShown.bottomLeft() + by);
        break;
    case Drag::None:
        break;
    }
    if (type == QEvent::MouseMove) {
        picture->setDragBox(moved_ ? now : QRectF());
        return true;
    }
    // Let go.
    picture->setDragBox({});
    const Drag was = std::exchange(drag_, Drag::None);
    on_ = nullptr;
    if (!moved_) {
        // A click on an offered box asks about it; on another, chooses it only.
        if (was != Drag::Draw && grabbed_.offered)
            askAboutOffer(file, grabbed_.id, mouse->globalPosition().toPoint());
        return true;
    }
    if (was == Drag::Draw) {
        const QRectF box = toFrame(now);
        if (MarkShapes::isBox(now, kLeastDrag) && !box.isEmpty()) {
            disarm();
            marks_->drawn(file, picture->frameSeconds(), box, frame);
        }
        return true;
    }
    QRectF box;
    if (was == Drag::Move) {
        const double sx = double(frame.width()) / std::max(1, area.width());
        const double sy = double(frame.height()) / std::max(1, area.height());
        box = MarkShapes::moved(grabbed_.box, QPointF((picture->isMirrored() ? -by.x() : by.x()) * sx, by.y() * sy),
                                frame);
    } else {
        box = toFrame(now);
    }
    if (!box.isEmpty() && MarkShapes::isBox(MarkShapes::toWidget(box, frame, area, false), kLeastDrag / 2))
        marks_->corrected(file, grabbed_.id, grabbedAt_, box);
    return true;
}
