// The exports of a clip with a marked plate, through the window as a user makes them:
// Export Incident asks about blurring with a blurred preview, writes the segment blurred
// and says so; the choice is remembered and Export Video's dialog offers it again, its
// preview and its video blurred too. The plate is followed by the real tracker first.
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "../player/PlayerTestSupport.h"
#include "app/AppDelegate.h"
#include "app/BlurChoice.h"
#include "app/ExportVideoDialog.h"
#include "app/MainWindow.h"
#include "app/PaneLayout.h"
#include "player/PlayerView.h"
#include "redact/MarkTracker.h"
#include "telemetry/Manifest.h"

#include "PlateScene.h"

#include <QAction>
#include <QComboBox>
#include <QMenuBar>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

namespace {

QRect plateOn(int frame) {
    const auto b = PlateScene::plate(frame, 30, 640, 360);
    return QRect(b.x, b.y, b.width, b.height);
}

double detail(const QImage &img, const QRect &r)
{
    double sum = 0;
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x < r.right(); ++x, ++n)
            sum += std::abs(qGray(img.pixel(x + 1, y)) - qGray(img.pixel(x, y)));
    return n ? sum / n : 0.0;
}

QAction *menuItem(QWidget *window, const QString &text)
{
    for (QAction *a : window->findChildren<QAction *>())
        if (a->text() == text)
            return a;
    return nullptr;
}

} // namespace

class RedactExportE2E : public QObject {
    Q_OBJECT
    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    QString clip, shots;
    RedactMarks marks;

    void screenshot(const QString &name)
    {
        QTest::qWait(400);
        const QString path = shots + QLatin1Char('/') + name + QStringLiteral(".png");
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
        qInfo("screenshot: %s", qPrintable(path));
    }

private slots:
    void initTestCase()
    {
        clip = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/redact/2026_1115_092000_020F.MOV");
        shots = WindowTest::screenshotFolder();
        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        delegate->finishStartup();
        // The plate marked at 2 s and followed through the clip.
        const auto video = ClipVideo::probe({}, clip);
        QVERIFY(video);
        marks = RedactMarks(video->size, video->frameUs());
        const int id = marks.add(MarkKind::Plate, video->timeOf(60), plateOn(60));
        TrackJob job;
        job.clip = clip;
        job.video = *video;
        job.mark = *marks.mark(id);
        job.toUs = video->timeOf(359);
        const TrackOutcome tracked = MarkTracking::run(job);
        QVERIFY2(tracked.failure.isEmpty(), qPrintable(tracked.failure));
        QVERIFY(marks.setTracked(id, tracked.fromUs, tracked.toUs, tracked.boxes, tracked.losses));
        marks.add(MarkKind::Face, 0, QRect(20, 20, 40, 40), false);  // offered only: never blurred
        delegate->marksOfClip = [this](const QString &file) { return file == clip ? marks : RedactMarks(); };
    }

    void cleanupTestCase()
    {
        window.reset();
        delegate.reset();
    }

    void incidentIsBlurred()
    {
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(clip)});
        QVERIFY(opened.wait(30000));
        PlayerView *video = window->paneLayout()->playerView;
        QTRY_VERIFY_WITH_TIMEOUT(video->duration() > 10, 20000);
        video->execPlayOrPause();
        video->setCurrentTime(3);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(video->currentTime() - 3) < 0.05, 5000);
        QTest::keyClick(window.get(), Qt::Key_I);
        video->setCurrentTime(7);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(video->currentTime() - 7) < 0.05, 5000);
        QTest::keyClick(window.get(), Qt::Key_O);
        QVERIFY(video->markInTime() && video->markOutTime());

        QTemporaryDir out;
        QImage preview, unblurred;
        delegate->exportPanel = [&](const QString &) { return out.filePath(QStringLiteral("incident")); };
        delegate->incidentBlurDialog = [&](IncidentBlurDialog *dialog) {
            dialog->show();
            QSignalSpy shown(dialog, &IncidentBlurDialog::previewShown);
            auto *box = dialog->findChild<BlurChoiceBox *>(QStringLiteral("blurMarked"));
            box->setChecked(false);
            if (shown.wait(30000))
                unblurred = dialog->previewImage();
            box->setChecked(true);
            dialog->findChild<QComboBox *>(QStringLiteral("blurStyle"))->setCurrentIndex(1);   // pixelate
            dialog->findChild<QSlider *>(QStringLiteral("blurStrength"))->setValue(9);
            if (!QTest::qWaitFor([&] { return shown.size() >= 2; }, 30000))
                return false;
            shown.clear();
            dialog->refreshPreview();
            if (shown.wait(30000))
                preview = dialog->previewImage();
            QTest::qWait(300);
            dialog->grab().save(shots + QStringLiteral("/e2e_redact_incident_dialog.png"));
            return true;
        };
        QSignalSpy exported(delegate.get(), &AppDelegate::incidentExported);
        QAction *item = menuItem(window.get(), QStringLiteral("Export Incident…"));
        QVERIFY(item);
        item->trigger();
        QVERIFY(exported.wait(60000));
        QVERIFY2(exported.first().first().toBool(), qPrintable(exported.first().at(1).toString()));
        delegate->exportPanel = nullptr;
        delegate->incidentBlurDialog = nullptr;
        QCOMPARE(settings.exportBlur(), QStringLiteral("on:pixelate:9"));

        // The preview: the in mark's frame, its plate pixelated; without the blur, sharp.
        QVERIFY(!preview.isNull() && !unblurred.isNull());
        const QRect middle = plateOn(90).adjusted(6, 4, -6, -4);
        QVERIFY2(detail(preview, middle) < 0.35 * detail(unblurred, middle),
                 qPrintable(QStringLiteral("%1 / %2").arg(detail(preview, middle)).arg(detail(unblurred, middle))));
        // The segment: the plate blurred at every second of it, the manifest says so.
        const QString segment = out.filePath(QStringLiteral("incident.mp4"));
        for (const double at : {0.0, 1.0, 2.0, 3.0}) {
            const QImage ours = PlayerTestSupport::ffmpegFrame(segment, at);
            const QImage theirs = PlayerTestSupport::ffmpegFrame(clip, 3 + at);
            const QRect m = plateOn(int(std::lround((3 + at) * 30))).adjusted(6, 4, -6, -4);
            QVERIFY2(detail(ours, m) < 0.35 * detail(theirs, m), qPrintable(QString::number(at)));
        }
        const ManifestVerdict verdict = verifyManifest(out.filePath(QStringLiteral("incident.manifest.json")).toStdString());
        QVERIFY(verdict.allSame());
        QVERIFY(verdict.redacted);
        QCOMPARE(verdict.redactedMarks, int64_t(1));
        screenshot(QStringLiteral("e2e_redact_incident_exported"));
    }

    void exportVideoOffersTheSameBlur()
    {
        QTemporaryDir out;
        QImage preview;
        bool offered = false;
        BlurChoice remembered;
        delegate->exportVideoDialog = [&](ExportVideoDialog *dialog) {
            auto *box = dialog->findChild<BlurChoiceBox *>(QStringLiteral("blurMarked"));
            dialog->show();
            offered = box && box->isVisible();
            remembered = dialog->blurChoice();
            QSignalSpy shown(dialog, &ExportVideoDialog::previewShown);
            dialog->refreshPreview();
            if (shown.wait(30000))
                preview = dialog->previewImage();
            QTest::qWait(300);
            dialog->grab().save(shots + QStringLiteral("/e2e_redact_export_video_dialog.png"));
            return true;
        };
        delegate->exportPanel = [&](const QString &) { return out.filePath(QStringLiteral("telemetry")); };
        QSignalSpy exported(delegate.get(), &AppDelegate::videoExported);
        QAction *item = menuItem(window.get(), QStringLiteral("Export Video…"));
        QVERIFY(item);
        item->trigger();
        QVERIFY(exported.wait(120000));
        delegate->exportVideoDialog = nullptr;
        delegate->exportPanel = nullptr;
        QVERIFY2(exported.first().first().toBool(), qPrintable(exported.first().at(1).toString()));
        QVERIFY(offered);
        QCOMPARE(remembered.text(), QStringLiteral("on:pixelate:9"));
        const QRect middle = plateOn(90).adjusted(6, 4, -6, -4);
        const QImage still = PlayerTestSupport::ffmpegFrame(clip, 3.0);
        QVERIFY(!preview.isNull());
        QVERIFY(detail(preview, middle) < 0.35 * detail(still, middle));
        const QImage written = PlayerTestSupport::ffmpegFrame(out.filePath(QStringLiteral("telemetry.mp4")), 0.0);
        QVERIFY(detail(written, middle) < 0.35 * detail(still, middle));
    }
};

VELTRA_WINDOW_TEST_MAIN(RedactExportE2E)
#include "tst_redact_export_e2e.moc"
