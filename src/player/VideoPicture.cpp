#include "VideoPicture.h"

#include "FrameLog.h"
#include "FrameScaler.h"
#include "MarkShapes.h"
#include "media/ThreadPriority.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QFutureWatcher>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <QWindow>
#include <QtConcurrent/QtConcurrentRun>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// The frame's planes as the scaler reads them, for the layouts decoders give us; an
// empty picture for any other layout.
FrameScaler::YuvPicture yuvPicture(const QVideoFrame &frame)
{
    FrameScaler::YuvPicture p;
    const QVideoFrameFormat format = frame.surfaceFormat();
    p.width = frame.width();
    p.height = frame.height();
    p.y = frame.bits(0);
    p.yStride = frame.bytesPerLine(0);
    switch (format.colorSpace()) {
    case QVideoFrameFormat::ColorSpace_BT601:
        p.matrix = FrameScaler::Matrix::BT601;
        break;
    case QVideoFrameFormat::ColorSpace_BT2020:
        p.matrix = FrameScaler::Matrix::BT2020;
        break;
    default:
        p.matrix = FrameScaler::Matrix::BT709;
        break;
    }
    p.fullRange = format.colorRange() == QVideoFrameFormat::ColorRange_Full;
    p.chromaWidth = (p.width + 1) / 2;
    p.chromaHeight = (p.height + 1) / 2;
    switch (frame.pixelFormat()) {
    case QVideoFrameFormat::Format_YUV422P:
        p.chromaHeight = p.height;
        Q_FALLTHROUGH();
    case QVideoFrameFormat::Format_YUV420P:
    case QVideoFrameFormat::Format_YV12: {
        if (frame.planeCount() < 3)
            return {};
        const int u = frame.pixelFormat() == QVideoFrameFormat::Format_YV12 ? 2 : 1;
        p.u = frame.bits(u);
        p.uStride = frame.bytesPerLine(u);
        p.v = frame.bits(3 - u);
        p.vStride = frame.bytesPerLine(3 - u);
        break;
    }
    case QVideoFrameFormat::Format_NV12:
    case QVideoFrameFormat::Format_NV21: {
        if (frame.planeCount() < 2 || !frame.bits(1))
            return {};
        const bool vFirst = frame.pixelFormat() == QVideoFrameFormat::Format_NV21;
        p.u = frame.bits(1) + (vFirst ? 1 : 0);
        p.v = frame.bits(1) + (vFirst ? 0 : 1);
        p.uStride = p.vStride = frame.bytesPerLine(1);
        p.chromaStep = 2;
        break;
    }
    default:
        return {};
    }
    // Each plane must hold all its rows, the last one as long as the picture is wide.
    const auto holds = [&](int plane, int stride, int rows, long long rowBytes) {
        return rows > 0 && frame.mappedBytes(plane) >= (rows - 1LL) * stride + rowBytes;
    };
    // Planar layouts: U and V in planes 1 and 2 (2 and 1 for YV12); interleaved: both in
    // plane 1, one byte apart.
    const bool planar = p.chromaStep == 1;
    const int uPlane = planar && frame.pixelFormat() == QVideoFrameFormat::Format_YV12 ? 2 : 1;
    const long long chromaRowBytes = p.chromaWidth * (long long)p.chromaStep;
    if (!holds(0, p.yStride, p.height, p.width) || !holds(uPlane, p.uStride, p.chromaHeight, chromaRowBytes) ||
        (planar && !holds(3 - uPlane, p.vStride, p.chromaHeight, chromaRowBytes)))
        return {};
    return p;
}

bool isRgb32(const QImage &image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

// A frame scaled and converted for a window of `pixels` device pixels: what is drawn
// there, and where.
struct Picture {
    QVideoFrame frame;
    QSize pixels;
    Qt::AspectRatioMode mode = Qt::KeepAspectRatio;
    bool mirrored = false;
    QRect target;
    QImage image;   // target-sized RGB32; null where the scaler cannot read the layout
};

// One window's libswscale state, kept from picture to picture (it is made again only when
// the frame's layout or the window's size changes); used by one conversion at a time.
struct SwsState {
    SwsContext *context = nullptr;
    ~SwsState() { sws_freeContext(context); }
};

// Scales and converts the mapped `frame` (planes as `yuv` reads them) into `out` with
// libswscale: bilinear, the frame's own colour matrix and range, in SIMD code. False
// where it cannot (a layout it is not given here): the caller then uses FrameScaler.
bool swsConvert(SwsState &state, const QVideoFrame &frame, const FrameScaler::YuvPicture &yuv, QImage &out)
{
    AVPixelFormat format = AV_PIX_FMT_NONE;
    const uint8_t *planes[4] = {yuv.y, yuv.u, yuv.v, nullptr};
    int strides[4] = {yuv.yStride, yuv.uStride, yuv.vStride, 0};
    switch (frame.pixelFormat()) {
    case QVideoFrameFormat::Format_YUV420P:
    case QVideoFrameFormat::Format_YV12:   // yuv's u and v already point at the right planes
        format = AV_PIX_FMT_YUV420P;
        break;
    case QVideoFrameFormat::Format_YUV422P:
        format = AV_PIX_FMT_YUV422P;
        break;
    case QVideoFrameFormat::Format_NV12:
    case QVideoFrameFormat::Format_NV21:
        format = frame.pixelFormat() == QVideoFrameFormat::Format_NV12 ? AV_PIX_FMT_NV12 : AV_PIX_FMT_NV21;
        planes[1] = frame.bits(1);
        strides[1] = frame.bytesPerLine(1);
        planes[2] = nullptr;
        strides[2] = 0;
        break;
    default:
        return false;
    }
    state.context = sws_getCachedContext(state.context, yuv.width, yuv.height, format, out.width(), out.height(),
                                         AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    if (!state.context)
        return false;
    const int space = yuv.matrix == FrameScaler::Matrix::BT601    ? SWS_CS_ITU601
                      : yuv.matrix == FrameScaler::Matrix::BT2020 ? SWS_CS_BT2020
                                                                  : SWS_CS_ITU709;
    const int *coefficients = sws_getCoefficients(space);
    sws_setColorspaceDetails(state.context, coefficients, yuv.fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16,
                             1 << 16);
    uint8_t *to[4] = {out.bits(), nullptr, nullptr, nullptr};
    int toStrides[4] = {int(out.bytesPerLine()), 0, 0, 0};
    return sws_scale(state.context, planes, strides, 0, yuv.height, to, toStrides) == out.height();
}

// Scales and converts `frame` into a picture for `pixels`: on the pictures' own threads,
// so that a moment of six cameras costs the window's thread no more than copying them.
Picture convert(const std::shared_ptr<SwsState> &sws, const QVideoFrame &source, QSize pixels, qreal ratio,
                Qt::AspectRatioMode mode, bool mirrored)
{
    ThreadPriority::lowerThisThread();
    Picture p{source, pixels, mode, mirrored, {}, {}};
    QVideoFrame frame = source;
    p.target = frame.isValid() ? VideoPicture::pictureRect(frame.size(), pixels, mode) : QRect();
    if (p.target.isEmpty() || !QRect(QPoint(), pixels).contains(p.target) || !frame.map(QVideoFrame::ReadOnly))
        return p;
    const FrameScaler::YuvPicture yuv = yuvPicture(frame);
    if (FrameScaler::isUsable(yuv)) {
        p.image = QImage(p.target.size(), QImage::Format_RGB32);
        if (!swsConvert(*sws, frame, yuv, p.image))
            FrameScaler::toRgb32(yuv, reinterpret_cast<std::uint32_t *>(p.image.bits()), int(p.image.bytesPerLine()),
                                 p.target.width(), p.target.height());
        if (mirrored)
            p.image.mirror(true, false);
        p.image.setDevicePixelRatio(ratio);
    }
    frame.unmap();
    return p;
}

// The threads pictures are converted on: one per core, apart from the application's
// other background work; the application waits for them as it ends.
QThreadPool *picturePool()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
        pool->setExpiryTimeout(-1);
    }
    return pool;
}

} // namespace

// The native window the frames are drawn in. It takes no input: clicks and the
// wheel go to the widgets around it.
class VideoPictureWindow : public QWindow {
public:
    VideoPictureWindow() : store_(this)
    {
        setSurfaceType(QSurface::RasterSurface);
        setFlag(Qt::WindowTransparentForInput, true);
        QObject::connect(&job_, &QFutureWatcher<Picture>::finished, this, [this] { converted(); });
    }
    ~VideoPictureWindow() override
    {
        // A conversion still running owns copies of what it reads; its result goes nowhere.
        job_.disconnect();
    }

    void setFrame(const QVideoFrame &frame)
    {
        if (waiting_)
            ++replaced;
        frame_ = frame;
        waiting_ = frame.isValid();
        if (!waiting_)
            ready_ = Picture();
        if (!waiting_ || !isExposed() || size().isEmpty()) {
            requestUpdate();
            return;
        }
        if (!job_.isRunning())
            startConversion();
        // else: the one in flight ends, then the latest frame is converted
    }

    Qt::AspectRatioMode mode = Qt::KeepAspectRatio;
    bool mirrored = false;
    qint64 drawn = 0;
    qint64 replaced = 0;
    std::function<QList<ShownBox>(double seconds)> boxSource;
    QList<ShownBox> boxesDrawn;
    QRectF dragBox;           // widget coordinates; empty when no drag
    QSize frameSize() const { return frame_.isValid() ? frame_.size() : QSize(); }
    double frameSeconds() const { return frame_.isValid() && frame_.startTime() >= 0 ? frame_.startTime() / 1e6 : -1; }
    void redraw()
    {
        requestUpdate();
    }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::UpdateRequest) {
            draw();
            return true;
        }
        return QWindow::event(e);
    }
    void exposeEvent(QExposeEvent *) override { draw(); }
    void resizeEvent(QResizeEvent *) override { draw(); }

private:
    void draw();
    // Draws the frame on show (or the one converted before it, see drawFrame) and
    // returns the one drawn.
    QVideoFrame drawFrame(QPaintDevice *device);
    void drawMarks(QPaintDevice *device, const QRect &logical, const QVideoFrame &drawn);
    QSize pixels() const { return size() * devicePixelRatio(); }
    void startConversion()
    {
        job_.setFuture(
            QtConcurrent::run(picturePool(), convert, sws_, frame_, pixels(), devicePixelRatio(), mode, mirrored));
    }
    void converted()
    {
        Picture p = job_.result();
        if (!p.image.isNull() || p.frame == frame_)
            ready_ = std::move(p);
        requestUpdate();
        // A newer frame came meanwhile, or the window changed: that one next.
        if (frame_.isValid() && isExposed() && !readyIsCurrent())
            startConversion();
    }
    // The picture converted last is of the frame on show, for this window as it is now.
    bool readyIsCurrent() const
    {
        return ready_.frame == frame_ && ready_.pixels == pixels() && ready_.mode == mode && ready_.mirrored == mirrored;
    }
    bool readyFits() const { return readyIsCurrent() && !ready_.image.isNull(); }

    QBackingStore store_;
    QVideoFrame frame_;
    bool waiting_ = false;
    QFutureWatcher<Picture> job_;
    Picture ready_;
    std::shared_ptr<SwsState> sws_ = std::make_shared<SwsState>();   // shared with the job in flight
};

void VideoPictureWindow::draw()
{
    if (!isExposed() || size().isEmpty())
        return;
    const QRect area(QPoint(), size());
    if (store_.size() != size())
        store_.resize(size());
    store_.beginPaint(area);
    const QVideoFrame shown = drawFrame(store_.paintDevice());
    store_.endPaint();
    store_.flush(area);
    if (waiting_ && shown == frame_) {
        waiting_ = false;
        if (drawn++ == 0 && qEnvironmentVariableIsSet("VELTRA_FRAME_LOG"))
            FrameLog::printMoment("first frame drawn");
    }
}

QVideoFrame VideoPictureWindow::drawFrame(QPaintDevice *device)
{
    auto *image = device->devType() == QInternal::Image ? static_cast<QImage *>(device) : nullptr;
    const QSize pixels = image ? image->size() : size() * devicePixelRatio();
    // Pictures are converted on another thread (startConversion). Until the newest is,
    // the one converted last stands, scaled when the window has changed size; only the
    // first frame, a mirrored one, or a layout the scaler cannot read is converted here.
    bool useReady = readyFits();
    if (!useReady && !ready_.image.isNull() && ready_.mirrored == mirrored && frame_.isValid()) {
        if (!job_.isRunning() && isExposed())
            startConversion();
        useReady = true;
    }
    QVideoFrame frame = useReady ? ready_.frame : frame_;
    const QRect target = frame.isValid() ? VideoPicture::pictureRect(frame.size(), pixels, mode) : QRect();

    QPainter painter(device);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const qreal ratio = pixels.width() > 0 ? qreal(size().width()) / pixels.width() : 1.0;
    const QRectF logical(QPointF(target.topLeft()) * ratio, QSizeF(target.size()) * ratio);
    // The bars around the picture (all of it without one).
    QRegion bars(QRect(QPoint(), size()));
    if (!target.isEmpty())
        bars -= logical.toAlignedRect().intersected(QRect(QPoint(), size()));
    for (const QRect &r : bars)
        painter.fillRect(r, Qt::black);
    if (target.isEmpty())
        return frame;

    if (useReady && image) {
        if (ready_.target == target)
            painter.drawImage(logical.topLeft(), ready_.image);
        else
            painter.drawImage(logical, ready_.image);
        painter.end();
        drawMarks(device, logical.toRect(), frame);
        return frame;
    }
    const bool inside = QRect(QPoint(), pixels).contains(target);
    if (image && isRgb32(*image) && inside && frame.map(QVideoFrame::ReadOnly)) {
        const FrameScaler::YuvPicture yuv = yuvPicture(frame);
        if (FrameScaler::isUsable(yuv)) {
            painter.end();
            auto *origin = reinterpret_cast<std::uint32_t *>(image->scanLine(target.top())) + target.left();
            FrameScaler::toRgb32(yuv, origin, int(image->bytesPerLine()), target.width(), target.height());
            frame.unmap();
            if (mirrored)
                for (int y = 0; y < target.height(); ++y) {
                    auto *row = reinterpret_cast<std::uint32_t *>(image->scanLine(target.top() + y)) + target.left();
                    std::reverse(row, row + target.width());
                }
            drawMarks(device, logical.toRect(), frame);
            return frame;
        }
        frame.unmap();
    }
    // Other layouts go through Qt's own conversion.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (mirrored)
        painter.setTransform(QTransform(-1, 0, 0, 1, 2 * logical.center().x(), 0));
    painter.drawImage(logical, frame.toImage());
    painter.end();
    drawMarks(device, logical.toRect(), frame);
    return frame;
}

// The marks' boxes of the frame drawn (a coloured frame; offered ones dashed, the chosen
// one thicker with its grip), then the box being dragged.
void VideoPictureWindow::drawMarks(QPaintDevice *device, const QRect &logical, const QVideoFrame &drawn)
{
    const double seconds = drawn.isValid() && drawn.startTime() >= 0 ? drawn.startTime() / 1e6 : -1;
    boxesDrawn = boxSource && seconds >= 0 ? boxSource(seconds) : QList<ShownBox>();
    if (boxesDrawn.isEmpty() && dragBox.isEmpty())
        return;
    QPainter p(device);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(logical);
    const QSize frame = drawn.isValid() ? drawn.size() : frameSize();
    for (const ShownBox &b : std::as_const(boxesDrawn)) {
        const QRectF r = MarkShapes::toWidget(b.box, frame, logical, mirrored);
        if (r.isEmpty())
            continue;
        const QColor colour = b.offered ? QColor(0, 200, 255) : QColor(255, 196, 0);
        // A dark line under the coloured one keeps it seen on a light picture.
        QPen under(QColor(0, 0, 0, 160), b.selected ? 5 : 4);
        QPen pen(colour, b.selected ? 3 : 2);
        if (b.offered) {
            under.setStyle(Qt::DashLine);
            pen.setStyle(Qt::DashLine);
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(under);
        p.drawRect(r);
        p.setPen(pen);
        p.drawRect(r);
        if (b.key)
            p.fillRect(QRectF(r.topLeft() - QPointF(3, 3), QSizeF(7, 7)), colour);
        if (b.selected)
            p.fillRect(QRectF(r.bottomRight() - QPointF(5, 5), QSizeF(8, 8)), colour);
    }
    if (!dragBox.isEmpty()) {
        p.setPen(QPen(QColor(0, 0, 0, 180), 3));
        p.drawRect(dragBox);
        p.setPen(QPen(Qt::white, 1.5, Qt::DashLine));
        p.drawRect(dragBox);
    }
}

VideoPicture::VideoPicture(QWidget *parent) : QWidget(parent)
{
    sink_ = new QVideoSink(this);
    window_ = new VideoPictureWindow;
    QWidget *container = QWidget::createWindowContainer(window_, this);
    container->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);
    // The sink may hand frames over from the decoder's thread; the window takes them
    // in its own.
    connect(sink_, &QVideoSink::videoFrameChanged, window_, [w = window_](const QVideoFrame &f) { w->setFrame(f); });
}

VideoPicture::~VideoPicture()
{
    if (qEnvironmentVariableIsSet("VELTRA_FRAME_LOG"))
        std::fprintf(stderr, "veltra-player: frames drawn %lld, replaced before drawn %lld\n",
                     static_cast<long long>(window_->drawn), static_cast<long long>(window_->replaced));
}

QVideoSink *VideoPicture::videoSink() const
{
    return sink_;
}

void VideoPicture::setAspectRatioMode(Qt::AspectRatioMode mode)
{
    if (window_->mode == mode)
        return;
    window_->mode = mode;
    window_->requestUpdate();
}

void VideoPicture::setMirrored(bool on)
{
    if (window_->mirrored == on)
        return;
    window_->mirrored = on;
    window_->requestUpdate();
}

bool VideoPicture::isMirrored() const
{
    return window_->mirrored;
}

void VideoPicture::setBoxSource(std::function<QList<ShownBox>(double seconds)> source)
{
    window_->boxSource = std::move(source);
    window_->redraw();
}

void VideoPicture::refreshBoxes()
{
    window_->redraw();
}

QList<ShownBox> VideoPicture::boxesShown() const
{
    return window_->boxesDrawn;
}

void VideoPicture::setDragBox(const QRectF &area)
{
    if (window_->dragBox == area)
        return;
    window_->dragBox = area;
    window_->redraw();
}

QSize VideoPicture::frameSize() const
{
    return window_->frameSize();
}

double VideoPicture::frameSeconds() const
{
    return window_->frameSeconds();
}

QRect VideoPicture::pictureArea() const
{
    return pictureRect(frameSize(), size(), window_->mode);
}

QRect VideoPicture::pictureRect(QSize frame, QSize area, Qt::AspectRatioMode mode)
{
    if (frame.isEmpty() || area.isEmpty())
        return {};
    const QSize size = frame.scaled(area, mode);
    return QRect(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
}
