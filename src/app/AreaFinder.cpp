#include "AreaFinder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include <memory>

namespace AreaFinder {

QString cascadeFolder()
{
    const QString asked = qEnvironmentVariable("VELTRA_CASCADES");
    if (!asked.isEmpty())
        return asked;
    for (const char *dir : {"/usr/share/opencv4/haarcascades", "/usr/share/opencv/haarcascades"})
        if (QFileInfo(QLatin1String(dir)).isDir())
            return QLatin1String(dir);
    return QStringLiteral("/usr/share/opencv4/haarcascades");
}

namespace {

struct Cascades {
    cv::CascadeClassifier face, plate;
    bool ok = false;
};

Cascades &cascades()
{
    thread_local std::unique_ptr<Cascades> loaded;
    if (!loaded) {
        loaded = std::make_unique<Cascades>();
        const QDir dir(cascadeFolder());
        const auto load = [&](cv::CascadeClassifier &c, const char *name) {
            const QString path = dir.filePath(QLatin1String(name));
            try {
                return QFileInfo::exists(path) && c.load(QFile::encodeName(path).toStdString());
            } catch (const cv::Exception &) {
                return false;
            }
        };
        loaded->ok = load(loaded->face, "haarcascade_frontalface_default.xml") &&
                     load(loaded->plate, "haarcascade_russian_plate_number.xml");
    }
    return *loaded;
}

QList<QRect> rects(const std::vector<cv::Rect> &found)
{
    QList<QRect> out;
    for (const cv::Rect &r : found)
        out.append(QRect(r.x, r.y, r.width, r.height));
    return out;
}

} // namespace

Found find(const QImage &picture)
{
    Found found;
    Cascades &c = cascades();
    if (!c.ok) {
        found.failure = QStringLiteral("no detector data in %1").arg(cascadeFolder());
        return found;
    }
    if (picture.isNull() || picture.width() < 24 || picture.height() < 24)
        return found;
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    cv::Mat mat(grey.height(), grey.width(), CV_8UC1, const_cast<uchar *>(grey.constBits()),
                size_t(grey.bytesPerLine()));
    // Faces on the grey evened out; plates on the grey as it is (evening out a grainy
    // ground drowns a plate's edges).
    cv::Mat even;
    cv::equalizeHist(mat, even);
    std::vector<cv::Rect> faces, plates;
    try {
        c.face.detectMultiScale(even, faces, 1.1, 6, 0, cv::Size(24, 24));
        c.plate.detectMultiScale(mat, plates, 1.05, 3, 0, cv::Size(36, 12));
    } catch (const cv::Exception &e) {
        found.failure = QString::fromUtf8(e.what());
        return found;
    }
    found.faces = rects(faces);
    found.plates = rects(plates);
    return found;
}

} // namespace AreaFinder
