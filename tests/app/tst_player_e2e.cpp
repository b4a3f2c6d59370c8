// The whole program, end to end: the real window with the real player, web view,
// panels and play list, on the forged sample drive.
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "../extractor/XmlLint.h"
#include "../player/PlayerTestSupport.h"
#include "app/AppDelegate.h"
#include "app/ExportVideoDialog.h"
#include "app/IncidentExport.h"
#include "app/PaneLayout.h"
#include "app/PaneSplitter.h"
#include "app/MainWindow.h"
#include "app/MprisService.h"
#include "app/PreferencesWindow.h"
#include "common/AppKeys.h"
#include "drive/PlayQueue.h"
#include "common/AppUtils.h"
#include "common/Localization.h"
#include "drive/IndexRule.h"
#include "instruments/InstrumentGeometry.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/PositionCompassPanel.h"
#include "instruments/VehicleReadout.h"
#include "map/MapPane.h"
#include "map/Reachability.h"
#include "player/ChannelPictures.h"
#include "player/ChannelRules.h"
#include "ui/AppToast.h"
#include "ui/ToastWindow.h"
#include "player/EventsListView.h"
#include "player/VideoPicture.h"
#include "media/MediaEngine.h"
#include "player/TelemetryTimeline.h"
#include "player/PlayerView.h"
#include "playlist/PlayListModel.h"
#include "playlist/PlayListTableView.h"
#include "playlist/PlayListView.h"
#include "store/TrackStore.h"
#include "telemetry/ClipTime.h"
#include "telemetry/Manifest.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDBusObjectPath>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoSink>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace {

QString samples() { return qEnvironmentVariable("VELTRA_SAMPLES"); }

struct Truth {
    QJsonArray samples;
    int maxSpeed = 0;
};

Truth readTruth(const QString &file)
{
    QFile f(file + QStringLiteral(".truth.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    return {o.value(QStringLiteral("key_video_datas")).toArray(), o.value(QStringLiteral("key_max_speed")).toInt()};
}

double haversine(double lat1, double lon1, double lat2, double lon2)
{
    const double r = 6371008.8, d = M_PI / 180;
    const double a = std::pow(std::sin((lat2 - lat1) * d / 2), 2) +
                     std::cos(lat1 * d) * std::cos(lat2 * d) * std::pow(std::sin((lon2 - lon1) * d / 2), 2);
    return 2 * r * std::asin(std::sqrt(a));
}

float leading(const QString &text) { return InstrumentGeometry::leadingFloat(text); }

QVariant runJs(QWebEnginePage *page, const QString &script)
{
    auto answer = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [answer](const QVariant &v) { *answer = v; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, 10000))
        qWarning("no answer from the page to %s", qPrintable(script));
    return answer->value_or(QVariant());
}

} // namespace

class PlayerEndToEndTest : public QObject {
    Q_OBJECT

    // A run starts from a first start's settings.
    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    PaneLayout *layout = nullptr;
    QStringList files;
    QString shotDir;

    void screenshot(const QString &name)
    {
        // The video and the web view are composed by the X server: take the screen.
        QTest::qWait(400);   // let the window repaint what the step changed
        const QString path = shotDir + QLatin1Char('/') + name + QStringLiteral(".png");
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
        qInfo("screenshot: %s", qPrintable(path));
    }

private slots:
    void initTestCase()
    {
        // Captures of an earlier run would take the names this one expects.
        QDir(PlayerCapture::pictureSaveDirectory()).removeRecursively();
        QDir drive(samples() + QStringLiteral("/drive"));
        for (const QString &name : drive.entryList({QStringLiteral("*.MOV")}, QDir::Files, QDir::Name))
            files << drive.filePath(name);
        QCOMPARE(files.size(), 3);
        shotDir = WindowTest::screenshotFolder();

        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        layout = window->paneLayout();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        delegate->finishStartup();
    }

    void cleanupTestCase()
    {
        // The window registered its player and play list with the delegate; they
        // leave it with the window.
        QCOMPARE(delegate->playerView(), layout->playerView);
        QCOMPARE(delegate->playListView(), layout->playListView);
        window.reset();
        QCOMPARE(delegate->playerView(), nullptr);
        QCOMPARE(delegate->playListView(), nullptr);
        delegate.reset();
    }

    void windowAndStartState()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("Veltra Player"));
        QCOMPARE(window->size(), QSize(1344, 756));   // a first start: 0.7 of the screen
        QCOMPARE(window->minimumSize(), MainWindow::kMinimumSize);
        QVERIFY(delegate->spdkmh->isChecked());
        QVERIFY(!delegate->menuitemmph->isChecked());
        QVERIFY(delegate->openstreetItem->isChecked());
        QVERIFY(!delegate->googleMapsItem->isChecked());
        QCOMPARE(layout->playListView->model()->rowCount(), 0);
    }

    void playingTheDrive()
    {
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        delegate->openUrls(urls);
        QVERIFY(opened.wait(30000));
        PlayerView *video = layout->playerView;
        QTRY_VERIFY_WITH_TIMEOUT(video->duration() > 50, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 7.0, 30000);
        video->execPlayOrPause();   // pause: a steady state to compare against
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QTest::qWait(300);
        const double t = video->currentTime();

        // The play list shows the three files; the first plays and is the current row.
        PlayListView *list = layout->playListView;
        QCOMPARE(list->model()->rowCount(), 3);
        QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("2026_1108_093000_001.MOV"));
        QCOMPARE(list->queue()->currentRow(), 0);

        const Truth truth = readTruth(files.first());
        QVERIFY(!truth.samples.isEmpty());

        // Trip statistics: the file's maximum speed.
        InstrumentPanel *trip = layout->instrumentPanel;
        QCOMPARE(trip->maxHSpeed->text(), AppUtils::speedText(float(truth.maxSpeed), settings.kmph()));

        // G-sensor read-outs of the entry for the current second.
        QList<QJsonObject> gs;
        for (const QJsonValue &v : truth.samples) {
            const QJsonObject s = v.toObject();
            if (InstrumentGeometry::gsensorEntryAccepted(float(s["gsensor_x"].toDouble()), float(s["gsensor_y"].toDouble()),
                                                         float(s["gsensor_z"].toDouble())))
                gs << s;
        }
        const int gi = IndexRule::indexForSingle(t, float(video->duration()), gs.size());
        QVERIFY(gi >= 0);
        QCOMPARE(trip->xTextField->text(), InstrumentGeometry::gsensorXText(float(gs[gi]["gsensor_x"].toDouble())));
        QCOMPARE(trip->yTextField->text(), InstrumentGeometry::gsensorYText(float(gs[gi]["gsensor_y"].toDouble())));
        QCOMPARE(trip->zTextField->text(), InstrumentGeometry::gsensorZText(float(gs[gi]["gsensor_z"].toDouble())));

        // Position read-outs of the entry for the current second.
        QList<QJsonObject> fixes;
        QList<QPointF> route;
        for (const QJsonValue &v : truth.samples) {
            const QJsonObject s = v.toObject();
            const float lat = leading(s["gps_lat"].toString()), lng = leading(s["gps_lgt"].toString());
            if (lat != 0 && lng != 0) {
                fixes << s;
                route << QPointF(lat, lng);
            }
        }
        const int pi = IndexRule::indexFor(t, video->duration(), fixes.size());
        QVERIFY(pi >= 0);
        const float lat = leading(fixes[pi]["gps_lat"].toString());
        const float lng = leading(fixes[pi]["gps_lgt"].toString());
        PositionCompassPanel *position = list->gpsPanel;
        QCOMPARE(position->latitudeLabels->text(), InstrumentGeometry::convertLatLngToDFM(std::fabs(lat)));
        QCOMPARE(position->longitudeLabels->text(), InstrumentGeometry::convertLatLngToDFM(std::fabs(lng)));
        QCOMPARE(position->latitudeUnitLabels->text(), InstrumentGeometry::latitudeLetter(lat));
        QCOMPARE(position->longitudeUnitLabels->text(), InstrumentGeometry::longitudeLetter(lng));
        const int si = IndexRule::indexFor(t, video->duration(), truth.samples.size());
        QCOMPARE(position->spdshow->text(), AppUtils::speedText(float(truth.samples[si].toObject()["spd"].toInt()), settings.kmph()));

        // The map page holds the route of the drive's trip, the first clip playing, and
        // the playing clip's length reaches the trip panel.
        int tripPoints = 0;
        for (const QString &f : files)
            for (const QJsonValue &v : readTruth(f).samples)
                tripPoints += leading(v["gps_lat"].toString()) != 0 && leading(v["gps_lgt"].toString()) != 0;
        QWebEnginePage *page = layout->mapPane->webview()->page();
        QTRY_COMPARE_WITH_TIMEOUT(runJs(page, QStringLiteral("mapState.trip && mapState.points")).toInt(), tripPoints,
                                  15000);
        QCOMPARE(runJs(page, QStringLiteral("mapState.playingClip")).toInt(), 0);
        double metres = 0;
        for (int k = 1; k < route.size(); ++k)
            metres += haversine(route[k - 1].x(), route[k - 1].y(), route[k].x(), route[k].y());
        QTRY_VERIFY_WITH_TIMEOUT(trip->totalDistanceValue() > 0, 10000);
        QVERIFY2(std::fabs(trip->totalDistanceValue() - metres) < metres * 0.005,
                 qPrintable(QStringLiteral("%1 m against %2 m").arg(trip->totalDistanceValue()).arg(metres)));
        QCOMPARE(trip->movingDistance->text(), AppUtils::distanceText(trip->totalDistanceValue(), settings.kmph()));
        screenshot(QStringLiteral("e2e_1_playing"));
    }

    // Paused on the first file: `.` shows exactly the next frame (a capture before and
    // after, each the frame ffmpeg decodes there, burnt-in frame counter included, and
    // carrying its moment in PNG text, the place and speed only while the preferences
    // let pictures carry them); I and O mark a reversed pair that is put right;
    // File ▸ Export Incident… writes an MP4 that ffprobe reads with the marked length
    // (within one key-frame interval, 1 s here), a valid GPX of the marked seconds and
    // the picture.
    void reviewAndExportAnIncident()
    {
        PlayerView *video = layout->playerView;
        const QString file = files.first();
        QCOMPARE(video->currentFile(), file);
        QCOMPARE(video->engine()->playbackState(), MediaEngine::PausedState);
        video->setCurrentTime(35);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 35.0, 5000);

        QSignalSpy captured(video, &PlayerView::captureFinished);
        const auto capture = [&]() -> QImage {
            captured.clear();
            video->findChild<QToolButton *>("captureButton")->click();
            if (!captured.wait(10000) || !captured.first().at(1).toBool())
                return {};
            return QImage(captured.first().first().toString());
        };
        // ffmpeg gives frame n for a time between frames n-1 and n.
        const auto showsFrame = [&](const QImage &shot, int n) {
            using PlayerTestSupport::ffmpegFrame, PlayerTestSupport::meanDifference;
            const double here = meanDifference(shot, ffmpegFrame(file, (n - 0.5) / 30));
            return here >= 0 && here < meanDifference(shot, ffmpegFrame(file, (n - 1.5) / 30))
                   && here < meanDifference(shot, ffmpegFrame(file, (n + 0.5) / 30));
        };
        QVideoSink *sink = video->videoSink();
        QTRY_COMPARE_WITH_TIMEOUT(sink->videoFrame().startTime(), qint64(35000000), 5000);
        const QImage before = capture();
        QVERIFY(showsFrame(before, 1050));
        QCOMPARE(before.text(QStringLiteral("Creation Time")), QStringLiteral("2026-11-08 09:30:35"));
        // Named by the moment it shows, and the message says where it went; a second
        // capture of that moment is written beside it.
        const QString shot = captured.first().first().toString();
        QCOMPARE(QFileInfo(shot).fileName(), QStringLiteral("2026-11-08_09-30-35.png"));
        QTRY_VERIFY_WITH_TIMEOUT(delegate->toaster()->currentToast()
                                     && delegate->toaster()->currentToast()->text() == QStringLiteral("Picture saved as ") + shot,
                                 5000);
        QVERIFY(!capture().isNull());
        QCOMPARE(QFileInfo(captured.first().first().toString()).fileName(), QStringLiteral("2026-11-08_09-30-35_2.png"));
        const QJsonObject sample = readTruth(file).samples.at(35).toObject();
        QCOMPARE(before.text(QStringLiteral("Speed")), QStringLiteral("%1 km/h").arg(sample["spd"].toInt()));
        QVERIFY2(before.text(QStringLiteral("Location")).startsWith(sample["gps_lat"].toString().left(8)),
                 qPrintable(before.text(QStringLiteral("Location"))));

        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_Period);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 35.034, 5000);
        // Frame 1051 starts at 35.0333… s, as the file has it.
        QTRY_COMPARE_WITH_TIMEOUT(sink->videoFrame().startTime(), qint64(35033333), 5000);
        delegate->showPreferences();
        PreferencesWindow *prefs = delegate->preferenceController();
        QVERIFY(prefs->placeInPicturesBox->isChecked());   // on by default
        prefs->placeInPicturesBox->click();
        prefs->close();
        const QImage after = capture();
        QVERIFY(showsFrame(after, 1051));
        QCOMPARE(after.text(QStringLiteral("Creation Time")), QStringLiteral("2026-11-08 09:30:35"));
        QCOMPARE(after.text(QStringLiteral("Location")), QString());
        QCOMPARE(after.text(QStringLiteral("Speed")), QString());
        // On UTC the picture's time names it (this camera's clock agrees with its GPS).
        settings.setTimeClock(QStringLiteral("utc"));
        const QImage utc = capture();
        settings.setTimeClock(QStringLiteral("camera"));
        QCOMPARE(utc.text(QStringLiteral("Creation Time")), QStringLiteral("2026-11-08 09:30:35 UTC"));
        // The screen shows that frame too, where the picture sits in the video's area.
        const auto onScreen = [&] {
            const QSize frame = sink->videoFrame().size();
            const QRect r = VideoPicture::pictureRect(frame, video->findChild<VideoPicture *>()->size(), Qt::KeepAspectRatio);
            const QPoint at = video->findChild<VideoPicture *>()->mapToGlobal(r.topLeft());
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), r.width(), r.height());
            return shot.toImage().scaled(frame, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        };
        QTRY_VERIFY_WITH_TIMEOUT(showsFrame(onScreen(), 1051), 10000);

        // Out first, then in ten seconds later: the pair is swapped. The events list's
        // buttons mark as the keys do.
        QTest::keyClick(window.get(), Qt::Key_O);
        video->setCurrentTime(45);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 45.0, 5000);
        QTest::keyClick(window.get(), Qt::Key_I);
        QCOMPARE(video->markInTime().value_or(-1), 35.034);
        QCOMPARE(video->markOutTime().value_or(-1), 45.0);
        video->setCurrentTime(40);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 40.0, 5000);
        video->findChild<QPushButton *>("markOutButton")->click();
        QCOMPARE(video->markOutTime().value_or(-1), 40.0);

        // Named without its suffix, over an earlier export's video and GPX: one question
        // names both, and the answer No keeps them.
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("incident.mp4"));
        for (const QString &earlier : {target, out.filePath(QStringLiteral("incident.gpx"))}) {
            QFile file(earlier);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7);
        }
        QStringList asked;
        bool replace = false;
        delegate->exportPanel = [&](const QString &) { return out.filePath(QStringLiteral("incident")); };
        delegate->replacePanel = [&](const QString &question) {
            asked << question;
            return replace;
        };
        QAction *item = nullptr;
        for (QAction *a : window->menuBar()->findChildren<QAction *>())
            if (a->text() == QStringLiteral("Export Incident…"))
                item = a;
        QVERIFY(item);
        item->trigger();
        QCOMPARE(asked, QStringList{"incident.mp4 and incident.gpx already exist. Replace them?"});
        QVERIFY(!delegate->incidentExport());
        QCOMPARE(QFileInfo(target).size(), 7);
        replace = true;
        QSignalSpy exported(delegate.get(), &AppDelegate::incidentExported);
        item->trigger();
        QVERIFY(exported.wait(30000));
        QVERIFY2(exported.first().first().toBool(), qPrintable(exported.first().at(1).toString()));
        QCOMPARE(asked.size(), 2);
        delegate->exportPanel = nullptr;
        delegate->replacePanel = nullptr;

        QProcess probe;
        probe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                                QStringLiteral("-show_entries"), QStringLiteral("format=duration:stream=nb_read_frames"),
                                                QStringLiteral("-of"), QStringLiteral("json"), target});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitCode(), 0);
        const QJsonObject info = QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
        const double seconds = info["format"].toObject()["duration"].toString().toDouble();
        QVERIFY2(std::fabs(seconds - (40 - 35.034)) <= 1.0, qPrintable(QString::number(seconds)));
        const int frames = info["streams"].toArray().at(0).toObject()["nb_read_frames"].toString().toInt();
        QVERIFY2(std::abs(frames - 149) <= 30, qPrintable(QString::number(frames)));

        QFile gpx(out.filePath(QStringLiteral("incident.gpx")));
        QVERIFY(gpx.open(QIODevice::ReadOnly));
        const QByteArray document = gpx.readAll();
        QCOMPARE(xmllintProblems(document.toStdString(),
                                 qEnvironmentVariable("VELTRA_SOURCE_DIR") + QStringLiteral("/tests/extractor/gpx-1.1.xsd")),
                 QString());
        // Seconds 35 to 40, each sample with its fix.
        QCOMPARE(int(document.count("<trkpt ")), 6);
        const QJsonArray truth = readTruth(file).samples;
        QVERIFY(document.contains("<trkpt lat=\"" + truth.at(35).toObject()["gps_lat"].toString().toUtf8()));
        QVERIFY(document.contains("<trkpt lat=\"" + truth.at(40).toObject()["gps_lat"].toString().toUtf8()));
        const QImage picture(out.filePath(QStringLiteral("incident.png")));
        QCOMPARE(picture.text(QStringLiteral("Creation Time")), QStringLiteral("2026-11-08 09:30:40"));
        QCOMPARE(picture.text(QStringLiteral("Location")), QString());
        prefs->placeInPicturesBox->click();
        QVERIFY(settings.placeInPictures());
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 4);
        // Its manifest holds the marks and the camera clock's error, and proves the set.
        const ManifestVerdict proof = verifyManifest(out.filePath(QStringLiteral("incident.manifest.json")).toStdString());
        QVERIFY(proof.allSame());
        QCOMPARE(int(proof.checks.size()), 4);
        QFile manifestFile(out.filePath(QStringLiteral("incident.manifest.json")));
        QVERIFY(manifestFile.open(QIODevice::ReadOnly));
        Manifest manifest;
        QVERIFY(ManifestJson::parse(manifestFile.readAll().toStdString(), &manifest, nullptr));
        QVERIFY(std::fabs(manifest.markIn - 35) < 0.5 && std::fabs(manifest.markOut - 40) < 0.5);
        QVERIFY(manifest.clips.at(0).cameraErrorMs.has_value());
        screenshot(QStringLiteral("e2e_1b_incident_exported"));
    }

    // File ▸ Export Video… draws the telemetry on the marked segment: the dialog previews
    // the first frame with its overlay, and the video keeps the segment's frames and rate.
    void exportVideoWithOverlay()
    {
        QTemporaryDir out;
        QImage preview;
        delegate->exportVideoDialog = [&](ExportVideoDialog *dialog) {
            auto *style = dialog->findChild<QComboBox *>(QStringLiteral("style"));
            style->setCurrentIndex(style->findData(int(OverlayStyle::Corners)));
            dialog->show();
            QSignalSpy shown(dialog, &ExportVideoDialog::previewShown);
            dialog->refreshPreview();
            if (shown.wait(30000))
                preview = dialog->previewImage();
            QTest::qWait(300);
            dialog->grab().save(shotDir + QStringLiteral("/e2e_1c_export_video_dialog.png"));
            return true;
        };
        QString suggested;
        delegate->exportPanel = [&](const QString &s) {
            suggested = s;
            return out.filePath(QStringLiteral("telemetry"));
        };
        QSignalSpy exported(delegate.get(), &AppDelegate::videoExported);
        QAction *item = nullptr;
        for (QAction *a : window->menuBar()->findChildren<QAction *>())
            if (a->text() == QStringLiteral("Export Video…"))
                item = a;
        QVERIFY(item);
        item->trigger();
        QVERIFY(exported.wait(60000));
        // The folder the incident export before it went to is gone: the dialog starts beside
        // the clip; the folder chosen now is where the next one starts.
        QCOMPARE(QFileInfo(suggested).absolutePath(), QFileInfo(layout->playerView->currentFile()).absolutePath());
        QCOMPARE(settings.exportFolder(), QFileInfo(out.filePath(QStringLiteral("telemetry"))).absolutePath());
        QCOMPARE(QFileInfo(delegate->exportSuggestion(QFileInfo(layout->playerView->currentFile()), QStringLiteral("x.mp4"))).absolutePath(),
                 settings.exportFolder());
        delegate->exportVideoDialog = nullptr;
        delegate->exportPanel = nullptr;
        QVERIFY2(exported.first().first().toBool(), qPrintable(exported.first().at(1).toString()));
        // The layout chosen is the next export's too.
        QCOMPARE(settings.overlayChoice(), QStringLiteral("corners:speed,time,position,map,graph,compass"));

        // The preview is the first frame of the segment with the speed's plate over it.
        QProcess still;
        still.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-ss"),
                                               QStringLiteral("35.034"), QStringLiteral("-i"), layout->playerView->currentFile(),
                                               QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-f"),
                                               QStringLiteral("image2pipe"), QStringLiteral("-c:v"), QStringLiteral("png"),
                                               QStringLiteral("pipe:1")});
        QVERIFY(still.waitForFinished(30000));
        const QImage plain = QImage::fromData(still.readAllStandardOutput(), "PNG");
        const QSize frame = plain.size();
        QCOMPARE(preview.size(), frame);
        const auto boxes = OverlayLayout::boxes(OverlayStyle::Corners, OverlayOptions().elements, frame);
        const QPoint plate = boxes.value(OverlayElement::Speed).topLeft().toPoint() + QPoint(3, 3);
        QVERIFY2(qGray(preview.pixel(plate)) + 20 < qGray(plain.pixel(plate)),
                 qPrintable(QStringLiteral("%1 %2").arg(qGray(preview.pixel(plate))).arg(qGray(plain.pixel(plate)))));

        QProcess probe;
        probe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                                QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_frames,r_frame_rate,width,height"),
                                                QStringLiteral("-of"), QStringLiteral("json"), out.filePath(QStringLiteral("telemetry.mp4"))});
        QVERIFY(probe.waitForFinished(30000));
        const QJsonObject stream = QJsonDocument::fromJson(probe.readAllStandardOutput()).object()["streams"].toArray().at(0).toObject();
        // 35.034 to 40 s at 30 frames a second.
        QCOMPARE(stream["nb_read_frames"].toString(), QStringLiteral("149"));
        QCOMPARE(stream["r_frame_rate"].toString(), QStringLiteral("30/1"));
        QCOMPARE(QSize(stream["width"].toInt(), stream["height"].toInt()), frame);
    }

    // Dragging the position slider shows key frames on the way; letting go lands on
    // the exact time under the handle.
    void dragTheSliderShowsPictures()
    {
        PlayerView *video = layout->playerView;
        QCOMPARE(video->engine()->playbackState(), MediaEngine::PausedState);
        auto *slider = video->findChild<QSlider *>(QStringLiteral("timeSlider"));
        QVideoSink *sink = video->videoSink();
        const auto xOf = [&](int ms) {
            constexpr int handle = 12;   // the style sheet's handle width
            return handle / 2 + QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), ms,
                                                                slider->width() - handle);
        };
        const int y = slider->height() / 2;
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(xOf(slider->value()), y));
        QVERIFY(slider->isSliderDown());
        QSet<qint64> seen;
        for (int x = xOf(8000); x < xOf(50000); x += (xOf(50000) - xOf(8000)) / 5) {
            const qint64 before = sink->videoFrame().startTime();
            QTest::mouseMove(slider, QPoint(x, y));
            // A key frame not come within this wait counts as not shown.
            (void)QTest::qWaitFor([&] { return sink->videoFrame().startTime() != before; }, 3000);
            seen << sink->videoFrame().startTime();
        }
        QVERIFY2(seen.size() >= 3, qPrintable(QString::number(seen.size())));
        QTest::mouseMove(slider, QPoint(xOf(44321), y));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(xOf(44321), y));
        const int ms = slider->sliderPosition();
        QVERIFY(ms % 1000 != 0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), ms / 1000.0, 5000);
        // The frame on screen is the one holding that time.
        QTRY_VERIFY_WITH_TIMEOUT(sink->videoFrame().startTime() <= ms * 1000LL
                                     && sink->videoFrame().startTime() > ms * 1000LL - 1000000 / 30, 5000);
    }

    void enlargeAndRestoreVideo()
    {
        layout->playerView->zoomInOut();
        QCOMPARE(layout->playerView->zoomState, qint64(1));
        QVERIFY(layout->videoZoomStateMAX);
        QCOMPARE(layout->globalSplitView->sizes().value(1), 0);
        QCOMPARE(layout->leftSplitView->sizes().value(1), 0);
        QCOMPARE(layout->leftSplitView->sizes().value(0), layout->leftSplitView->height() - layout->leftSplitView->handleWidth());
        QTest::qWait(500);
        screenshot(QStringLiteral("e2e_2_video_enlarged"));

        // Back in place, the compass turns to the stored angle again.
        settings.setCompassAngle(0.75);
        layout->playerView->zoomInOut();
        QTRY_COMPARE(layout->playListView->gpsPanel->compassAngle(), 0.75f);
        QCOMPARE(layout->playerView->zoomState, qint64(0));
        QVERIFY(!layout->videoZoomStateMAX);
        const QList<int> outer = layout->globalSplitView->sizes();
        QVERIFY(outer.value(1) > 0);
        // 1280 : 640 fitted to the window's width
        QVERIFY(std::abs(outer.value(0) - 2 * outer.value(1)) <= 3);
        const QList<int> left = layout->leftSplitView->sizes();
        QVERIFY(std::abs(left.value(0) * 160 - left.value(1) * 600) <= 600 * 3);
    }

    void enlargeAndRestoreMap()
    {
        layout->mapPane->zoomInOut();
        QVERIFY(layout->mapZoomStateMAX);
        QList<int> outer = layout->globalSplitView->sizes();
        QCOMPARE(outer.value(1), 0);
        QVERIFY(outer.value(2) > 0);
        QVERIFY(std::abs(outer.value(0) * 532 - outer.value(2) * 1014) <= 1014 * 3);
        QCOMPARE(layout->mapPane->parentWidget(), layout->mapColumnSlot);
        QTest::qWait(500);
        screenshot(QStringLiteral("e2e_3_map_enlarged"));

        layout->mapPane->zoomInOut();
        QVERIFY(!layout->mapZoomStateMAX);
        outer = layout->globalSplitView->sizes();
        QCOMPARE(outer.value(2), 0);
        QVERIFY(std::abs(outer.value(0) - 2 * outer.value(1)) <= 3);
        QCOMPARE(layout->mapPane->parentWidget(), layout->mapSlot);
        QVERIFY(layout->rightSplitView->sizes().value(0) > 0);
        screenshot(QStringLiteral("e2e_4_map_restored"));
    }

    void f11EntersAndEscapeLeavesFullScreen()
    {
        // F11 gives the window the whole screen, and Escape from wherever the focus is
        // brings its size back; Escape never enters full screen.
        const QRect normalFrame = window->geometry();
        const QSize normal = normalFrame.size();
        const QSize screen = window->screen()->geometry().size();
        for (QWidget *focus : {static_cast<QWidget *>(layout->playListView->tableView), static_cast<QWidget *>(layout->playerView)}) {
            window->activateWindow();
            focus->setFocus();
            layout->latches.position0 = 123;
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Escape);
            QTest::qWait(300);
            QVERIFY(!window->isFullScreen());
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_F11);
            QTRY_VERIFY2_WITH_TIMEOUT(window->isFullScreen() && window->size() == screen,
                                      qPrintable(QStringLiteral("full %1, %2x%3").arg(window->isFullScreen())
                                                     .arg(window->width()).arg(window->height())), 5000);
            QCOMPARE(layout->latches.position0, 0.0);   // the dividers' latches go with the change
            if (focus == layout->playListView->tableView)
                screenshot(QStringLiteral("e2e_5_full_screen"));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Escape);
            QTRY_VERIFY_WITH_TIMEOUT(!window->isFullScreen() && window->geometry() == normalFrame, 5000);
            QCOMPARE(window->size(), normal);
            QCOMPARE(window->minimumSize(), MainWindow::kMinimumSize);
        }
    }

    void unitSwitchChangesEverySpeedText()
    {
        InstrumentPanel *trip = layout->instrumentPanel;
        PositionCompassPanel *position = layout->playListView->gpsPanel;
        delegate->mphspd();
        QVERIFY(delegate->menuitemmph->isChecked());
        for (QLabel *l : {trip->maxHSpeed, trip->averageHSpeed, position->spdshow})
            QVERIFY2(l->text().contains(QLatin1String("MPH")) && !l->text().contains(QLatin1String("KM/H")), qPrintable(l->text()));
        QCOMPARE(trip->movingDistance->text(), AppUtils::distanceText(trip->totalDistanceValue(), settings.kmph()));
        screenshot(QStringLiteral("e2e_5_mph"));
        delegate->kmhspd();
        for (QLabel *l : {trip->maxHSpeed, trip->averageHSpeed, position->spdshow})
            QVERIFY2(l->text().contains(QLatin1String("KM/H")), qPrintable(l->text()));
    }

    void settingsAgreeInEveryPlace()
    {
        // Menu, preferences window and the player's settings overlay show the current
        // unit, map and language, whichever of them changed it.
        PlayerView *video = layout->playerView;
        delegate->showPreferences();
        PreferencesWindow *prefs = delegate->preferenceController();
        QVERIFY(prefs);
        QVERIFY(QTest::qWaitForWindowExposed(prefs));
        screenshot(QStringLiteral("e2e_6_preferences"));
        video->settings();
        QVERIFY(video->findChild<QWidget *>("settingsDialog")->isVisible());

        delegate->mphspd();   // the menu
        QCOMPARE(video->findChild<QButtonGroup *>("radioSpeed")->checkedId(), 1);
        QCOMPARE(prefs->speedUnitRadio->checkedId(), 1);
        prefs->speedUnitRadio->button(0)->click();   // the preferences window
        QVERIFY(delegate->spdkmh->isChecked() && !delegate->menuitemmph->isChecked());
        QCOMPARE(video->findChild<QButtonGroup *>("radioSpeed")->checkedId(), 0);
        video->findChild<QButtonGroup *>("radioSpeed")->button(1)->click();   // the overlay
        QVERIFY(delegate->menuitemmph->isChecked() && !delegate->spdkmh->isChecked());
        QCOMPARE(prefs->speedUnitRadio->checkedId(), 1);
        QVERIFY(layout->instrumentPanel->maxHSpeed->text().contains(QLatin1String("MPH")));
        screenshot(QStringLiteral("e2e_6_overlay_after_menu_change"));

        QCOMPARE(video->findChild<QButtonGroup *>("radioMap")->checkedId(), 1);   // OpenStreetMap, as stored at start
        delegate->googleAction();
        QCOMPARE(video->findChild<QButtonGroup *>("radioMap")->checkedId(), 0);
        video->findChild<QButtonGroup *>("radioMap")->button(1)->click();
        QVERIFY(delegate->openstreetItem->isChecked() && !delegate->googleMapsItem->isChecked());
        QVERIFY(!settings.googleMap());
        // Without online maps the menu ticks the map shown and holds Google Maps back;
        // the choice stored comes back with them.
        delegate->googleAction();
        settings.setUseOnlineMaps(false);
        QVERIFY(delegate->openstreetItem->isChecked() && !delegate->googleMapsItem->isChecked());
        QVERIFY(!delegate->googleMapsItem->isEnabled());
        settings.setUseOnlineMaps(true);
        QVERIFY(delegate->googleMapsItem->isChecked() && delegate->googleMapsItem->isEnabled());
        delegate->openstreetAction();

        QCOMPARE(video->findChild<QButtonGroup *>("radioLanguage")->checkedId(), 0);   // English
        video->findChild<QButtonGroup *>("radioLanguage")->button(1)->click();
        QCOMPARE(Localization::installedLanguage(), QStringLiteral("zh-Hans"));
        QTRY_COMPARE(prefs->languageRadio->checkedId(), 0);   // 简体中文 is the first column there
        prefs->languageRadio->button(1)->click();
        QTRY_COMPARE(video->findChild<QButtonGroup *>("radioLanguage")->checkedId(), 0);
        QCOMPARE(Localization::installedLanguage(), QStringLiteral("en"));

        delegate->kmhspd();
        QCOMPARE(video->findChild<QButtonGroup *>("radioSpeed")->checkedId(), 0);
        video->settings();
        prefs->close();
    }

    void timelineShowsBrakingAndPageDownJumpsToIt()
    {
        // The three-minute drive in one file: the timeline spans it and marks both
        // hard brakings; Page Down lands one second before the first, then the second.
        const QString drive = samples() + QStringLiteral("/drive_3min.MOV");
        // The long file covers the same minutes as the drive's three clips and would join
        // their trip as an event copy: it is opened alone, and the drive comes back after.
        PlayListView *list = layout->playListView;
        const PlayList drive3 = list->playlist();
        TrackStore::syncPlayList({});
        list->reloadPlayListData();
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(drive)});
        QVERIFY(opened.wait(30000));
        PlayerView *video = layout->playerView;
        QTRY_VERIFY_WITH_TIMEOUT(video->duration() > 170, 20000);
        TelemetryTimeline *line = video->findChild<TelemetryTimeline *>();
        QVERIFY(line->hasTelemetry());
        QCOMPARE(line->duration(), video->duration());
        QList<double> braking;
        for (const TelemetryEvent &e : line->events())
            if (e.kind == EventKind::HardBraking)
                braking << e.time;
        QCOMPARE(braking.size(), 2);
        const double d = video->duration();
        QCOMPARE(braking[0], 95 * d / 180);
        QCOMPARE(braking[1], 162 * d / 180);

        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 1.0, 30000);
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        window->activateWindow();
        layout->playListView->tableView->setFocus();
        for (const double landing : {braking[0] - 1, braking[1] - 1}) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_PageDown);
            const double expected = std::llround(landing * 1000) / 1000.0;
            QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), expected, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(line->playhead(), expected, 5000);
        }
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_PageUp);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), std::llround((braking[0] - 1) * 1000) / 1000.0, 5000);
        screenshot(QStringLiteral("e2e_7_timeline"));
        video->showEvents();
        auto *events = video->findChild<EventsListView *>();
        QTRY_VERIFY_WITH_TIMEOUT(events->isVisible(), 5000);
        QCOMPARE(events->rowCount(), int(line->events().size()));
        // Every column shows whole, and a single click on a row goes a second before it.
        auto *table = events->findChild<QTreeWidget *>(QStringLiteral("eventsTable"));
        const QFontMetrics metrics(table->font());
        for (int c = 0; c < table->columnCount(); ++c) {
            if (table->isColumnHidden(c))
                continue;
            int widest = 0;
            for (int r = 0; r < table->topLevelItemCount(); ++r)
                widest = std::max(widest, metrics.horizontalAdvance(table->topLevelItem(r)->text(c)));
            const int end = table->header()->sectionViewportPosition(c) + table->header()->sectionSize(c);
            QVERIFY2(table->header()->sectionSize(c) > widest && end <= table->viewport()->width() + 1,
                     qPrintable(QStringLiteral("column %1 is cut off").arg(c)));
        }
        const auto second = std::find_if(line->events().begin(), line->events().end(),
                                         [&](const TelemetryEvent &e) { return e.time == braking[1]; });
        QVERIFY(second != line->events().end());
        const QRect row = table->visualItemRect(table->topLevelItem(int(second - line->events().begin())));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row.center());
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), std::llround((braking[1] - 1) * 1000) / 1000.0, 5000);
        screenshot(QStringLiteral("e2e_8_events"));
        video->showEvents();
        QVERIFY(!events->isVisible());

        // An over-speed limit set in the preferences marks the stretches above it at once.
        auto overSpeed = [&] {
            return std::count_if(line->events().begin(), line->events().end(),
                                 [](const TelemetryEvent &e) { return e.kind == EventKind::OverSpeed; });
        };
        QCOMPARE(overSpeed(), 0);   // off by default
        delegate->showPreferences();
        PreferencesWindow *prefs = delegate->preferenceController();
        prefs->overSpeedBox->setValue(100);
        QCOMPARE(overSpeed(), 1);   // 103 .. 111 km/h from 1:11 to 1:34
        QCOMPARE(video->findChild<EventsListView *>()->rowCount(), int(line->events().size()));
        screenshot(QStringLiteral("e2e_9_event_preferences"));
        prefs->overSpeedBox->setValue(0);
        QCOMPARE(overSpeed(), 0);
        prefs->close();

        QCOMPARE(list->playlist().at(list->queue()->currentRow()).path, QUrl::fromLocalFile(drive).toString(QUrl::FullyEncoded));
        list->removeVideoPlay();
        TrackStore::syncPlayList(drive3);
        list->reloadPlayListData();
        QCOMPARE(list->playlist().size(), files.size());
    }

    void carMessagesAndSixCameraMinutes()
    {
        // The six-camera recorder's folder: two minutes of six and five cameras are two
        // entries, each the front's; the car's messages give the timeline its lanes, the
        // events list the brake and the assistance given up, and the read-out its values.
        PlayListView *list = layout->playListView;
        const PlayList drive3 = list->playlist();
        TrackStore::syncPlayList({});
        list->reloadPlayListData();
        QDir folder(samples() + QStringLiteral("/cameras"));
        QList<QUrl> minute;
        for (const QString &name : folder.entryList({QStringLiteral("*.mp4")}, QDir::Files, QDir::Name))
            minute << QUrl::fromLocalFile(folder.filePath(name));
        QCOMPARE(minute.size(), 11);
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls(minute);
        QVERIFY(opened.wait(30000));
        QCOMPARE(list->playlist().size(), 2);
        for (int row = 0; row < 2; ++row)
            QVERIFY(list->playlist().at(row).path.endsWith(QStringLiteral("-front.mp4")));
        QVERIFY(list->model()->index(1, PlayListModel::ColFilename).data(Qt::ToolTipRole).toString()
                    .contains(QStringLiteral("Left pillar")));

        PlayerView *video = layout->playerView;
        QTRY_VERIFY_WITH_TIMEOUT(video->duration() > 9, 20000);
        // Six cameras and no layout chosen: a grid, and View ▸ Cameras says so.
        QCOMPARE(settings.chosenCameraLayout(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(video->channels()->arrangement(), ChannelRules::Arrangement::Grid, 10000);
        auto *grid = window->findChild<QAction *>(QStringLiteral("cameraLayout_grid"));
        QVERIFY(grid && grid->isChecked());
        TelemetryTimeline *line = video->findChild<TelemetryTimeline *>();
        QTRY_VERIFY_WITH_TIMEOUT(line->hasLanes(), 5000);
        const auto inLane = [&](VehicleSpan::Lane lane) {
            return std::count_if(line->laneSpans().begin(), line->laneSpans().end(),
                                 [lane](const VehicleSpan &s) { return s.lane == lane; });
        };
        QVERIFY(inLane(VehicleSpan::Brake) > 0 && inLane(VehicleSpan::Assistance) > 0);
        const auto listed = [&](EventKind kind) {
            return std::count_if(video->events().begin(), video->events().end(),
                                 [kind](const TelemetryEvent &e) { return e.kind == kind; });
        };
        QVERIFY(listed(EventKind::BrakeApplied) > 0);
        QCOMPARE(listed(EventKind::AssistanceDisengaged), 1);
        VehicleReadout *readout = layout->instrumentPanel->vehicleReadout;
        QVERIFY(readout->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 2.0, 20000);
        QVERIFY(readout->steering->text().endsWith(QStringLiteral("°")));
        QVERIFY(readout->pedal->text().endsWith(QStringLiteral("%")));
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        screenshot(QStringLiteral("e2e_car_lanes_readout"));
        video->showEvents();
        QTRY_VERIFY_WITH_TIMEOUT(video->findChild<EventsListView *>()->isVisible(), 5000);
        screenshot(QStringLiteral("e2e_car_events"));
        video->showEvents();

        // A GPMF clip has no car's messages: no lanes, no read-out.
        TrackStore::syncPlayList({});
        list->reloadPlayListData();
        delegate->openUrls({QUrl::fromLocalFile(samples() + QStringLiteral("/layouts/gpmf.MOV"))});
        QVERIFY(opened.wait(30000));
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(layout->playerView->currentFile()).fileName(), QStringLiteral("gpmf.MOV"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 2.0, 20000);
        QVERIFY(line->hasTelemetry() && !line->hasLanes());
        QVERIFY(!readout->isVisible());
        screenshot(QStringLiteral("e2e_gpmf_playing"));

        TrackStore::syncPlayList(drive3);
        list->reloadPlayListData();
        QCOMPARE(list->playlist().size(), files.size());
    }

    void camerasOfAMomentInStep()
    {
        // A front clip with its rear and cabin beside it: three pictures, each its own
        // camera's (red, green and blue in the top left quarter), all on the front's clock.
        PlayListView *list = layout->playListView;
        const PlayList drive3 = list->playlist();
        PlayerView *video = layout->playerView;
        ChannelPictures *cameras = video->channels();
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        const auto open = [&](const QString &file) {
            TrackStore::syncPlayList({});
            list->reloadPlayListData();
            delegate->openUrls({QUrl::fromLocalFile(file)});
            QVERIFY(opened.wait(30000));
            QTRY_COMPARE_WITH_TIMEOUT(video->currentFile(), file, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(video->duration() > 9, 20000);
        };
        // The colour on screen at the middle of the top left quarter of a picture.
        const auto colourOf = [](QWidget *picture, QSize frame, bool right = false) {
            const QRect r = VideoPicture::pictureRect(frame, picture->size(), Qt::KeepAspectRatio);
            const int x = right ? r.width() * 7 / 8 : r.width() / 8;
            const QPoint at = picture->mapToGlobal(r.topLeft() + QPoint(x, r.height() / 8));
            return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixelColor(0, 0);
        };
        const auto isMostly = [](const QColor &c, int channel) {
            const int v[3] = {c.red(), c.green(), c.blue()};
            return v[channel] > 150 && v[(channel + 1) % 3] < 100 && v[(channel + 2) % 3] < 100;
        };
        const auto inStep = [&](double t, double frame = 1.0 / 30) {
            for (int i = 0; i < cameras->count(); ++i)
                if (!cameras->isGap(i) && std::abs(cameras->time(i) - t) > frame + 1e-6)
                    return false;
            return true;
        };

        const QString moment = samples() + QStringLiteral("/moment/");
        open(moment + QStringLiteral("2026_1115_090000_001F.MOV"));
        QCOMPARE(cameras->count(), 2);
        QCOMPARE(cameras->channel(0), 'R');
        QCOMPARE(cameras->channel(1), 'I');
        QVERIFY(!cameras->isGap(0) && !cameras->isGap(1));
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 2.0, 20000);
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(inStep(video->currentTime()), 5000);
        const QSize frame = video->videoSink()->videoFrame().size();
        QTRY_VERIFY_WITH_TIMEOUT(isMostly(colourOf(video->findChild<VideoPicture *>("videoWidget"), frame), 0), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(isMostly(colourOf(cameras->tile(0), frame), 1), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(isMostly(colourOf(cameras->tile(1), frame), 2), 5000);
        // A capture saves each camera's frame and the view as shown, every one carrying
        // the moment's text, and says how many files it wrote.
        QSignalSpy captured(video, &PlayerView::captureFinished);
        QSignalSpy said(video, &PlayerView::message);
        const auto capture = [&]() -> QString {
            captured.clear();
            said.clear();
            video->capture();
            if (!captured.wait(10000) || !captured.first().at(1).toBool())
                return {};
            return captured.first().first().toString().chopped(4);
        };
        // The colour of a saved picture at the middle of the top left quarter of `r`.
        const auto savedColour = [frame](const QImage &image, QRect r, double scale = 1.0) {
            const QRect p = VideoPicture::pictureRect(frame, r.size(), Qt::KeepAspectRatio).translated(r.topLeft());
            return image.pixelColor(int((p.left() + p.width() / 8) * scale), int((p.top() + p.height() / 8) * scale));
        };
        QString base = capture();
        QVERIFY(!base.isEmpty());
        const QImage front(base + QStringLiteral(".png")), view(base + QStringLiteral("_view.png"));
        QVERIFY(!view.isNull());
        const QString when = front.text(QStringLiteral("Creation Time"));
        QVERIFY(when.startsWith(QStringLiteral("2026-11-15 09:00:0")));
        const QList<std::pair<QString, int>> shots = {{QString(), 0}, {QStringLiteral("_rear"), 1}, {QStringLiteral("_cabin"), 2}};
        for (const auto &[name, colour] : shots) {
            const QImage shot(base + name + QStringLiteral(".png"));
            QVERIFY2(isMostly(savedColour(shot, QRect(QPoint(), frame)), colour), qPrintable(name));
            QCOMPARE(shot.text(QStringLiteral("Creation Time")), when);
        }
        QCOMPARE(view.text(QStringLiteral("Creation Time")), when);
        QWidget *stage = cameras->tile(0)->parentWidget();
        const double scale = double(view.width()) / stage->width();
        QVERIFY(scale >= 1.0);
        QVERIFY(isMostly(savedColour(view, video->findChild<VideoPicture *>("videoWidget")->geometry(), scale), 0));
        QVERIFY(isMostly(savedColour(view, cameras->tile(0)->geometry(), scale), 1));
        QVERIFY(isMostly(savedColour(view, cameras->tile(1)->geometry(), scale), 2));
        QCOMPARE(said.last().first().toString(),
                 Localization::text("capture_saved_pictures_in").arg(4).arg(QFileInfo(base).absolutePath()));
        // File ▸ Export Incident… with the cameras' view: each camera's segment beside the
        // front's, and the view as wide as full HD.
        video->markIn();
        video->engine()->seekExact(5.0);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 5.0, 5000);
        video->markOut();
        window->findChild<QAction *>(QStringLiteral("incidentView"))->trigger();
        QVERIFY(settings.incidentView());
        QTemporaryDir out;
        delegate->exportPanel = [&](const QString &) { return out.filePath(QStringLiteral("incident")); };
        QSignalSpy exported(delegate.get(), &AppDelegate::incidentExported);
        for (QAction *a : window->menuBar()->findChildren<QAction *>())
            if (a->text() == QStringLiteral("Export Incident…"))
                a->trigger();
        QVERIFY(exported.wait(60000));
        QVERIFY2(exported.first().first().toBool(), qPrintable(exported.first().at(1).toString()));
        delegate->exportPanel = nullptr;
        window->findChild<QAction *>(QStringLiteral("incidentView"))->trigger();
        for (const char *name : {"incident.mp4", "incident_rear.mp4", "incident_cabin.mp4", "incident_view.mp4"})
            QVERIFY2(QFileInfo(out.filePath(QLatin1String(name))).size() > 1000, name);
        QCOMPARE(PlayerTestSupport::ffmpegFrame(out.filePath(QStringLiteral("incident_view.mp4")), 1.0).width(), 1920);
        // A seek moves every camera.
        video->engine()->seekExact(6.5);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 6.5, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(inStep(6.5), 5000);
        // A rear camera that starts apart: Alt+] holds it 10 ms later, a toast names it;
        // every rear clip of that camera keeps the offset, also when opened again.
        const QString rearPattern = QStringLiteral("####_####_######_###R.MOV");
        QSignalSpy told(video, &PlayerView::message);
        window->activateWindow();   // the export's panels had the keyboard
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_BracketRight, Qt::AltModifier);
        QCOMPARE(settings.channelOffsetMs(rearPattern), 10);
        QVERIFY(!told.isEmpty());
        QCOMPARE(told.last().at(0).toString(), Localization::text("channel_offset").arg(
                                                   Localization::text("channel_rear"), QStringLiteral("+10")));
        settings.setChannelOffsetMs(rearPattern, 500);
        const auto heldAfter = [&](double offset) {
            return std::abs(cameras->time(0) - (video->currentTime() + offset)) <= 1.0 / 30 + 1e-6
                   && std::abs(cameras->time(1) - video->currentTime()) <= 1.0 / 30 + 1e-6;
        };
        QTRY_VERIFY_WITH_TIMEOUT(heldAfter(0.5), 5000);
        video->engine()->seekExact(3.0);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() == 3.0 && heldAfter(0.5), 5000);
        open(moment + QStringLiteral("2026_1115_090000_001F.MOV"));
        QCOMPARE(cameras->offsetMs(0), 500);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 1.0, 20000);
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(heldAfter(0.5), 10000);
        QTest::keyClick(window.get(), Qt::Key_Backslash, Qt::AltModifier);
        QVERIFY(settings.channelOffsets().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(inStep(video->currentTime()), 5000);
        // Stop while playing: every camera back at its start, also one whose seek to the
        // start was still on its way when it was paused.
        video->execPlayOrPause();
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() > 2.0, 10000);
        video->stopVideo();
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() == 0.0 && inStep(0.0, 0.5 / 30), 5000);
        // The View menu's item, then the control bar's button from layout to layout.
        window->findChild<QAction *>(QStringLiteral("cameraLayout_insets"))->trigger();
        auto *camerasButton = video->findChild<QToolButton *>(QStringLiteral("camerasButton"));
        QVERIFY(camerasButton->isVisible());
        for (const char *layoutKey : {"insets", "side", "grid"}) {
            QCOMPARE(settings.cameraLayout(), QLatin1String(layoutKey));
            QCOMPARE(ChannelRules::arrangementKey(cameras->arrangement()), QLatin1String(layoutKey));
            screenshot(QStringLiteral("e2e_cameras_front_rear_cabin_") + QLatin1String(layoutKey));
            camerasButton->click();
        }
        QCOMPARE(settings.cameraLayout(), QStringLiteral("insets"));
        // The rear as a rear-view mirror shows it: its colour moves to the top right.
        settings.setCameraLayout(QStringLiteral("side"));
        window->findChild<QAction *>(QStringLiteral("mirrorRear"))->trigger();
        QVERIFY(settings.mirrorRear());
        QTRY_VERIFY_WITH_TIMEOUT(isMostly(colourOf(cameras->tile(0), frame, true), 1), 5000);
        QVERIFY(isMostly(colourOf(cameras->tile(1), frame), 2));
        // The captured view shows it so too; the rear's own picture is as recorded.
        base = capture();
        const QImage mirroredView(base + QStringLiteral("_view.png"));
        const double mirroredScale = double(mirroredView.width()) / stage->width();
        const QRect rearShown = VideoPicture::pictureRect(frame, cameras->tile(0)->size(), Qt::KeepAspectRatio)
                               .translated(cameras->tile(0)->geometry().topLeft());
        QVERIFY(isMostly(mirroredView.pixelColor(int((rearShown.left() + rearShown.width() * 7 / 8) * mirroredScale),
                                                 int((rearShown.top() + rearShown.height() / 8) * mirroredScale)), 1));
        QVERIFY(isMostly(savedColour(QImage(base + QStringLiteral("_rear.png")), QRect(QPoint(), frame)), 1));
        screenshot(QStringLiteral("e2e_cameras_rear_mirrored"));
        window->findChild<QAction *>(QStringLiteral("mirrorRear"))->trigger();
        QVERIFY(!settings.mirrorRear());
        // Clicking the rear's inset makes it the large picture.
        settings.setCameraLayout(QStringLiteral("insets"));
        // Ctrl+wheel over an inset makes every inset larger, and the size is kept.
        const int insetWidth = cameras->tile(1)->width();
        QWheelEvent larger(QPointF(10, 10), cameras->tile(1)->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 240),
                           Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(cameras->tile(1), &larger);
        QCOMPARE(settings.insetShare().value_or(0), ChannelRules::kInsetShare + 0.04);
        QVERIFY(cameras->tile(1)->width() > insetWidth && cameras->tile(0)->width() == cameras->tile(1)->width());
        // So does dragging an inset's inner corner (the cabin's, at the bottom right:
        // its top left), 80 pixels further in.
        QWidget *cabin = cameras->tile(1);
        const int before = cabin->width();
        const double shareBefore = settings.insetShare().value_or(0);
        QTest::mousePress(cabin, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseMove(cabin, QPoint(-78, 2));
        QTest::mouseRelease(cabin, Qt::LeftButton, {}, QPoint(-78, 2));
        // The corner followed the pointer, both insets alike, and the size is kept.
        QVERIFY2(std::abs(cabin->width() - (before + 80)) <= 4, qPrintable(QString::number(cabin->width())));
        QCOMPARE(cameras->tile(0)->width(), cabin->width());
        QVERIFY(settings.insetShare().value_or(0) > shareBefore);
        screenshot(QStringLiteral("e2e_cameras_larger_insets"));
        QTest::mouseClick(cameras->tile(0), Qt::LeftButton);
        QTRY_VERIFY(cameras->tile(0)->width() > video->findChild<VideoPicture *>("videoWidget")->width());
        screenshot(QStringLiteral("e2e_cameras_rear_enlarged"));
        // In a grid a click shows that camera large with the others as insets; a click on the
        // large picture goes back to the grid.
        settings.setCameraLayout(QStringLiteral("grid"));
        QTRY_COMPARE(cameras->arrangement(), ChannelRules::Arrangement::Grid);
        QTRY_VERIFY(cameras->tile(1)->width() < stage->width() * 2 / 3);
        QTest::mouseClick(cameras->tile(1), Qt::LeftButton);
        QTRY_COMPARE(cameras->tile(1)->geometry(), QRect(QPoint(), stage->size()));
        QVERIFY(cameras->isFocused());
        QVERIFY(cameras->tile(0)->width() < stage->width() / 2);
        cameras->tile(0)->raise();
        screenshot(QStringLiteral("e2e_cameras_grid_cabin_enlarged"));
        QTest::mouseClick(cameras->tile(1), Qt::LeftButton);
        QTRY_VERIFY(!cameras->isFocused());
        QTRY_VERIFY(cameras->tile(1)->width() < stage->width() * 2 / 3);
        settings.setCameraLayout(QStringLiteral("insets"));

        // A rear file of zero bytes, or cut short: "No recording" in its tile, and the
        // front and cabin play on.
        QTemporaryDir dir;
        for (const QString &letter : {QStringLiteral("F"), QStringLiteral("I")})
            QVERIFY(QFile::copy(moment + QStringLiteral("2026_1115_090000_001%1.MOV").arg(letter),
                                dir.filePath(QStringLiteral("2026_1115_090000_001%1.MOV").arg(letter))));
        QFile rear(moment + QStringLiteral("2026_1115_090000_001R.MOV"));
        QVERIFY(rear.open(QIODevice::ReadOnly));
        const QByteArray start = rear.read(2048);
        for (const QByteArray &bytes : {QByteArray(), start}) {
            QFile cut(dir.filePath(QStringLiteral("2026_1115_090000_001R.MOV")));
            QVERIFY(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
            cut.write(bytes);
            cut.close();
            open(dir.filePath(QStringLiteral("2026_1115_090000_001F.MOV")));
            QCOMPARE(cameras->count(), 2);
            QTRY_VERIFY_WITH_TIMEOUT(cameras->isGap(0), 20000);
            QCOMPARE(video->findChildren<QLabel *>(QStringLiteral("gap_R")).size(), 1);
            auto *label = qobject_cast<QLabel *>(cameras->tile(0));
            QVERIFY(label && label->isVisible());
            QCOMPARE(label->text(), Localization::text("channel_no_recording"));
            QVERIFY(!cameras->isGap(1));
            {
                // The timeline's lane of the rear is hatched along the clip, the cabin's is not.
                auto *timeline = video->findChild<TelemetryTimeline *>();
                QTRY_COMPARE(timeline->cameraLanes().size(), 2);
                QCOMPARE(timeline->cameraLanes().at(0).channel, 'R');
                QTRY_COMPARE(timeline->cameraLanes().at(0).gaps.size(), 1);
                const QImage drawn = timeline->grab().toImage();
                const auto hatched = [&](int lane) {
                    const QRect r = timeline->cameraLaneRect(lane);
                    int n = 0;
                    for (int x = r.width() / 4; x < r.right(); ++x)
                        for (int y = r.top(); y <= r.bottom(); ++y)
                            n += drawn.pixelColor(x, y) == QColor(0x9a, 0x9e, 0xa6);
                    return n;
                };
                QVERIFY2(hatched(0) > timeline->width() / 4, qPrintable(QString::number(hatched(0))));
                QCOMPARE(hatched(1), 0);
                // The legend under the axis says what the hatching means.
                QVERIFY(!timeline->legend().isEmpty());
                QCOMPARE(timeline->legend().last().text, Localization::text("channel_no_recording"));
                QVERIFY(timeline->legend().last().hatched);
                if (bytes.isEmpty())
                    screenshot(QStringLiteral("e2e_cameras_rear_gap_lane"));
            }
            QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 1.5, 20000);
            QVERIFY(video->engine()->isPlaying());
        }
        screenshot(QStringLiteral("e2e_cameras_rear_no_recording"));
        // A camera without a recording gives no picture, and the message says so.
        base = capture();
        QVERIFY(!base.isEmpty());
        QVERIFY(!QFileInfo::exists(base + QStringLiteral("_rear.png")));
        QVERIFY(isMostly(savedColour(QImage(base + QStringLiteral("_cabin.png")), QRect(QPoint(), frame)), 2));
        QVERIFY(QFileInfo::exists(base + QStringLiteral("_view.png")));
        QCOMPARE(said.last().first().toString(),
                 Localization::text("capture_saved_pictures_in").arg(3).arg(QFileInfo(base).absolutePath()) + QLatin1Char(' ')
                     + Localization::text("capture_no_recording").arg(QStringLiteral("rear")));

        // A rear of half the rate and a smaller picture: said, and in step to its own frame.
        QSignalSpy differs(cameras, &ChannelPictures::message);
        open(moment + QStringLiteral("2026_1115_090200_003F.MOV"));
        QCOMPARE(cameras->count(), 2);
        QVERIFY(cameras->isGap(1));   // no cabin this minute
        QTRY_VERIFY_WITH_TIMEOUT(!differs.isEmpty() && differs.last().at(0).toString().contains(QStringLiteral("15 fps, 240×180")),
                                 10000);
        // The tile names its camera, then how it differs.
        QCOMPARE(cameras->tile(0)->toolTip(), ChannelPictures::title('R') + QLatin1Char('\n') + differs.last().at(0).toString());
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 3.0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(inStep(video->currentTime(), 2.0 / 15), 5000);
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(inStep(video->currentTime(), 1.0 / 15), 5000);

        // A six-camera minute in a grid.
        open(samples() + QStringLiteral("/cameras/2026-11-13_10-03-00-front.mp4"));
        QCOMPARE(cameras->count(), 5);
        settings.setCameraLayout(QStringLiteral("grid"));
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 2.0, 20000);
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(inStep(video->currentTime()), 5000);
        // Each picture says which camera it is, at its top, and shows whole, in every layout.
        const auto namesShown = [&] {
            QStringList wrong;
            QList<QPair<QWidget *, char>> pictures{{video->findChild<VideoPicture *>("videoWidget"), 'F'}};
            for (int i = 0; i < cameras->count(); ++i)
                pictures.append({cameras->tile(i), cameras->channel(i)});
            for (const auto &[picture, channel] : pictures) {
                auto *name = picture->parentWidget()->findChild<QLabel *>(
                    QStringLiteral("cameraName_") + QString::fromStdString(ClipTime::channelName(channel)));
                if (!name || !name->isVisible() || name->text() != ChannelRules::laneLabel(channel)
                    || !picture->geometry().contains(name->geometry())
                    || !picture->parentWidget()->rect().contains(picture->geometry()))   // no picture cut off
                    wrong << ChannelRules::laneLabel(channel);
            }
            return wrong;
        };
        for (const char *layoutKey : {"grid", "side", "insets"}) {
            settings.setCameraLayout(QLatin1String(layoutKey));
            QTRY_VERIFY2(namesShown().isEmpty(), qPrintable(namesShown().join(QLatin1Char(' '))));
            screenshot(QStringLiteral("e2e_cameras_six_") + QLatin1String(layoutKey));
        }

        video->close();
        TrackStore::syncPlayList(drive3);
        list->reloadPlayListData();
        QCOMPARE(list->playlist().size(), files.size());
    }

    void tripOfTheDriveOnTheMap()
    {
        // The three files of the drive continue each other: one trip, the first playing.
        QList<QUrl> urls;
        QList<Truth> truths;
        int points = 0;
        for (const QString &f : files) {
            urls << QUrl::fromLocalFile(f);
            truths << readTruth(f);
            for (const QJsonValue &v : truths.last().samples)
                points += leading(v["gps_lat"].toString()) != 0 && leading(v["gps_lgt"].toString()) != 0;
        }
        PlayListView *list = layout->playListView;
        QWebEnginePage *page = layout->mapPane->webview()->page();
        // A page load asked for before (the map choice) has finished: the web page stays.
        QTRY_VERIFY_WITH_TIMEOUT(!page->isLoading() && runJs(page, QStringLiteral("mapState.ready")).toBool(), 15000);
        runJs(page, QStringLiteral("window.veltraTestMark = 1; true"));
        list->queue()->play(0);
        PlayerView *video = layout->playerView;
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->isReady(), 20000);
        QCOMPARE(layout->mapPane->currentPlayVideoPath(), urls[0].toString(QUrl::FullyEncoded));
        // Paused, so that the first clip stays the playing one.
        if (video->engine()->isPlaying())
            video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);

        // The whole trip's route is in the page, the first clip's part the playing one.
        QTRY_COMPARE_WITH_TIMEOUT(runJs(page, QStringLiteral("mapState.trip && mapState.points")).toInt(), points, 15000);
        QCOMPARE(runJs(page, QStringLiteral("mapState.playingClip")).toInt(), 0);
        // The trip panel's Trip figures are the whole drive's.
        InstrumentPanel *panel = layout->instrumentPanel;
        QVERIFY(panel->tripFigures() && panel->tripFigures()->maxSpeed == std::max({truths[0].maxSpeed, truths[1].maxSpeed, truths[2].maxSpeed}));
        QList<QPointF> fixes;
        for (const Truth &t : truths)
            for (const QJsonValue &v : t.samples)
                if (leading(v["gps_lat"].toString()) != 0 && leading(v["gps_lgt"].toString()) != 0)
                    fixes << QPointF(leading(v["gps_lat"].toString()), leading(v["gps_lgt"].toString()));
        double metres = 0;   // the clips continue each other: one line through all fixes
        for (int k = 1; k < fixes.size(); ++k)
            metres += haversine(fixes[k - 1].x(), fixes[k - 1].y(), fixes[k].x(), fixes[k].y());
        QVERIFY2(std::fabs(panel->tripFigures()->metres - metres) < metres * 0.005,
                 qPrintable(QStringLiteral("%1 m against %2 m").arg(panel->tripFigures()->metres).arg(metres)));
        panel->tripFiguresButton->click();
        QCOMPARE(panel->movingDistance->text(), AppUtils::distanceText(float(panel->tripFigures()->metres), settings.kmph()));
        screenshot(QStringLiteral("e2e_trip_map"));
        panel->clipFiguresButton->click();

        // A click on sample 40 of the second clip plays that clip from second 40.
        QSignalSpy seeking(video->engine(), &MediaEngine::seeking);
        const QJsonObject target = truths[1].samples[40].toObject();
        QVERIFY(runJs(page, QStringLiteral("routeClickAt([%1, %2])")
                                .arg(target["gps_lat"].toString(), target["gps_lgt"].toString())).toBool());
        QTRY_COMPARE_WITH_TIMEOUT(list->queue()->currentRow(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!seeking.isEmpty(), 20000);
        QCOMPARE(seeking.last().at(0).toDouble(), 40.0);
        // The engine itself is there, not only the clock's answer.
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->currentTime() >= 40, 10000);
        QVERIFY(video->currentTime() >= 40.0 && video->currentTime() < 45.0);
        video->execPlayOrPause();   // paused: the second clip stays the playing one
        QCOMPARE(layout->mapPane->currentPlayVideoPath(), urls[1].toString(QUrl::FullyEncoded));
        // The trip stays on the page, which was not reloaded: only the playing part moved.
        QTRY_COMPARE_WITH_TIMEOUT(runJs(page, QStringLiteral("mapState.playingClip")).toInt(), 1, 10000);
        QCOMPARE(runJs(page, QStringLiteral("mapState.points")).toInt(), points);
        QVERIFY(runJs(page, QStringLiteral("window.veltraTestMark === 1")).toBool());
        screenshot(QStringLiteral("e2e_trip_map_clicked"));

        // The timeline spans the trip: three minutes, a mark where each clip gives way.
        TelemetryTimeline *line = video->findChild<TelemetryTimeline *>();
        QTRY_COMPARE_WITH_TIMEOUT(line->parts().size(), 3, 5000);
        QVERIFY2(std::fabs(line->duration() - 180) < 1.5, qPrintable(QString::number(line->duration())));
        QCOMPARE(line->boundaries().size(), 2);
        QCOMPARE(line->playhead(), line->boundaries()[0] + video->currentTime());
        // From the first clip, Page Down plays the second one second before its hard
        // braking at 0:35 (1:35 of the trip); Page Down again goes on to the third clip's.
        list->queue()->play(0);
        QTRY_COMPARE_WITH_TIMEOUT(list->queue()->currentRow(), 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->isReady() && video->currentTime() > 0, 20000);
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        for (const auto &[clip, landing] : {std::pair{1, 34.0}, std::pair{2, 41.0}}) {
            seeking.clear();
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_PageDown);
            QTRY_COMPARE_WITH_TIMEOUT(list->queue()->currentRow(), int(clip), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(!seeking.isEmpty(), 20000);
            QCOMPARE(seeking.last().at(0).toDouble(), landing);
            if (video->engine()->isPlaying())
                video->execPlayOrPause();
            QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        }
        screenshot(QStringLiteral("e2e_trip_timeline"));
        // A click on the first clip's part plays it from the second clicked.
        seeking.clear();
        QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(line->xForTime(30), line->height() / 2));
        QTRY_COMPARE_WITH_TIMEOUT(list->queue()->currentRow(), 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!seeking.isEmpty(), 20000);
        QCOMPARE(seeking.last().at(0).toDouble(), line->timeAtX(line->xForTime(30)));
    }

    // The remote control (MPRIS) as the window feeds it, off the bus: an entry keeps its
    // track id as rows go, so a request with the id of a removed entry changes nothing;
    // what it tells of the car follows the preferences at once, and is announced.
    void remoteControlFollowsTheEntryAndThePreferences()
    {
        PlayListView *list = layout->playListView;
        PlayerView *video = layout->playerView;
        MprisService remote(delegate.get());
        auto *player = remote.findChild<MprisPlayerAdaptor *>();
        QVERIFY(player);
        const auto playRow = [&](qint64 row) {
            list->queue()->play(row);
            QTRY_VERIFY_WITH_TIMEOUT(list->queue()->currentRow() == row && video->engine()->isReady() && video->currentTime() > 0,
                                     20000);
            video->execPlayOrPause();
            QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        };
        // The drive's three clips: the second plays, then leaves the list; the third
        // takes its row.
        QCOMPARE(list->playlist().size(), 3);
        playRow(1);
        const QString removed = remote.currentTrackId();
        list->removeVideoPlay();
        QTRY_VERIFY_WITH_TIMEOUT(list->queue()->currentRow() == 0 && video->engine()->isReady(), 20000);
        playRow(1);
        QCOMPARE(list->playlist().at(1).path, QUrl::fromLocalFile(files[2]).toString(QUrl::FullyEncoded));
        QVERIFY2(remote.currentTrackId() != removed, qPrintable(removed));
        QTest::qWait(300);   // the time follows the last picture the pause puts up
        const double before = video->currentTime();
        player->SetPosition(QDBusObjectPath(removed), 20000000);
        QTest::qWait(500);
        QCOMPARE(video->currentTime(), before);
        player->SetPosition(QDBusObjectPath(remote.currentTrackId()), 20000000);
        QTRY_COMPARE_WITH_TIMEOUT(video->currentTime(), 20.0, 5000);

        // Not told unless allowed; allowed, at once and announced; and back.
        QSignalSpy told(&remote, &MprisService::announced);
        QVERIFY(!remote.metadata().contains(QStringLiteral("veltra:speedKmh")));
        delegate->showPreferences();
        PreferencesWindow *prefs = delegate->preferenceController();
        QVERIFY(!prefs->placeToMediaControlsBox->isChecked());
        for (const bool allowed : {true, false}) {
            told.clear();
            prefs->placeToMediaControlsBox->click();
            QCOMPARE(settings.placeToMediaControls(), allowed);
            const QVariantMap meta = remote.metadata();
            QCOMPARE(meta.contains(QStringLiteral("veltra:speedKmh")), allowed);
            QCOMPARE(meta.contains(QStringLiteral("veltra:latitude")), allowed);
            QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), 5000);
            QVERIFY(told.last().first().toMap().contains(QStringLiteral("Metadata")));
        }
        prefs->close();
    }

    // The real executable: started on a file, asked to end while it plays. As a user
    // starts it, nothing in the window uses OpenGL and the driver is not even loaded.
    // Asked for a GPU scene graph with the widgets' composition turned off, which it
    // cannot run with, it says so once, loads OpenGL and runs all the same.
    void theProgramQuitsCleanly_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<bool>("openGl");
        QTest::addColumn<int>("warnings");
        QTest::newRow("as a user starts it") << QStringList() << false << 0;
        QTest::newRow("GPU scene graph, widgets' composition off")
            << QStringList{QStringLiteral("QT_QUICK_BACKEND=opengl"), QStringLiteral("QT_WIDGETS_RHI=0")} << true << 1;
    }
    void theProgramQuitsCleanly()
    {
        QFETCH(QStringList, variables);
        QFETCH(bool, openGl);
        QFETCH(int, warnings);
        QProcess player;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // This test's own start set these for itself.
        for (const char *set : {"QT_QUICK_BACKEND", "QT_XCB_GL_INTEGRATION", "QT_WIDGETS_RHI", "QT_WIDGETS_RHI_BACKEND"})
            env.remove(QLatin1String(set));
        for (const QString &v : variables)
            env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
        player.setProcessEnvironment(env);
        player.start(qEnvironmentVariable("VELTRA_BINARY_DIR") + QStringLiteral("/src/app/veltra-player"), {files.first()});
        QVERIFY(player.waitForStarted(10000));
        QTest::qWait(6000);
        QCOMPARE(player.state(), QProcess::Running);
        QFile maps(QStringLiteral("/proc/%1/maps").arg(player.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QString mapped = QString::fromLocal8Bit(maps.readAll());
        QCOMPARE(mapped.contains(QStringLiteral("libGLX_mesa")), openGl);
        player.terminate();
        QVERIFY(player.waitForFinished(20000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);
        const QString err = QString::fromUtf8(player.readAllStandardError());
        QCOMPARE(err.count(QStringLiteral("QT_WIDGETS_RHI=0 is ignored")), warnings);
    }
};

VELTRA_WINDOW_TEST_MAIN(PlayerEndToEndTest)

#include "tst_player_e2e.moc"
