// Marking an area to blur in the real window, on the forged plate scene (a number plate
// moving about a grainy ground, a square crossing its path): paused through the media
// controls (MPRIS), Redact ▸ Mark Area and a drag around the plate; the tracker follows
// it through the clip with its progress on screen; at later frames, paused and playing,
// the picture draws the mark's box on the plate, and the timeline shows the mark's band.
// A correction moves the box at its frame. After a restart of the window (the play list
// emptied, as every start does) the clip opened again has its mark.
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "app/AppDelegate.h"
#include "app/BlurChoice.h"
#include "app/IncidentExport.h"
#include "app/MainWindow.h"
#include "app/MarkStore.h"
#include "app/MprisService.h"
#include "app/PaneLayout.h"
#include "app/RedactMenu.h"
#include "media/MediaEngine.h"
#include "player/ChannelPictures.h"
#include "player/MarkGestures.h"
#include "player/MarkShapes.h"
#include "player/PlayerView.h"
#include "player/TelemetryTimeline.h"
#include "player/VideoPicture.h"
#include "playlist/PlayListView.h"
#include "store/TrackStore.h"
#include "telemetry/Manifest.h"
#include "ui/AppToast.h"
#include "ui/ToastWindow.h"
#include "../../tools/forge/PlateScene.h"

#include <QAction>
#include <QDBusObjectPath>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <memory>
#include <optional>

namespace {

QString clip()
{
    return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/redact/2026_1115_092000_020F.MOV");
}

constexpr int kFps = 30, kWidth = 640, kHeight = 360;

QRect plateAt(double seconds)
{
    const PlateScene::Box b = PlateScene::plate(std::lround(seconds * kFps), kFps, kWidth, kHeight);
    return QRect(b.x, b.y, b.width, b.height);
}

// How far apart two boxes are: the largest of their edges' distances.
int apart(const QRectF &a, const QRect &b)
{
    return int(std::ceil(std::max({std::abs(a.left() - b.left()), std::abs(a.top() - b.top()),
                                   std::abs(a.right() - (b.left() + b.width())),
                                   std::abs(a.bottom() - (b.top() + b.height()))})));
}

} // namespace

class MarksEndToEndTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    QTemporaryDir storeDir;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MprisService> remote;
    MprisPlayerAdaptor *player = nullptr;
    PlayerView *video = nullptr;
    VideoPicture *picture = nullptr;
    MarkStore *marks = nullptr;

    void start()
    {
        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        delegate->finishStartup();
        remote = std::make_unique<MprisService>(delegate.get());
        player = remote->findChild<MprisPlayerAdaptor *>();
        QVERIFY(player);
        video = window->paneLayout()->playerView;
        picture = video->findChild<VideoPicture *>(QStringLiteral("videoWidget"));
        QVERIFY(picture);
        marks = delegate->marks();
        QVERIFY(marks);
        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(clip())});
        QVERIFY(opened.wait(30000));
        QTRY_VERIFY_WITH_TIMEOUT(video->engine()->isPlaying() && video->currentTime() > 0.3, 20000);
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
    }
    void stop()
    {
        remote.reset();
        window.reset();
        delegate.reset();
    }
    // Paused at `seconds` through the media controls, with that frame on the picture.
    void showFrame(double seconds)
    {
        player->SetPosition(QDBusObjectPath(remote->currentTrackId()), qlonglong(std::llround(seconds * 1e6)));
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(picture->frameSeconds() - seconds) < 0.5 / kFps, 8000);
        QTest::qWait(150);
    }
    QAction *item(const char *name) const
    {
        auto *a = window->menuBar()->findChild<QAction *>(QLatin1String(name));
        if (!a)
            qWarning("no menu item %s", name);
        return a;
    }
    // The widget rectangle of the picture-pixel box `box`.
    QRect onScreen(const QRectF &box) const
    {
        return MarkShapes::toWidget(box, picture->frameSize(), picture->pictureArea(), false).toRect();
    }
    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(picture, Qt::LeftButton, {}, from);
        for (int k = 1; k <= 8; ++k)
            QTest::mouseMove(picture, from + (to - from) * k / 8, 10);
        QTest::mouseRelease(picture, Qt::LeftButton, {}, to);
    }
    void screenshot(const QString &name)
    {
        QTest::qWait(400);
        const QString path = WindowTest::screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
        qInfo("screenshot: %s", qPrintable(path));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(clip()), qPrintable(clip()));
        // A play list file of this run's own: no marks of another run.
        QVERIFY(storeDir.isValid());
        TrackStore::setStoreFilePath(storeDir.filePath(QStringLiteral("play_list.bin")));
        start();
    }

    void cleanupTestCase() { stop(); }

    void aDraggedBoxIsFollowedThroughTheClip()
    {
        showFrame(2.0);
        QCOMPARE(picture->frameSize(), QSize(kWidth, kHeight));
        QVERIFY(picture->boxesShown().isEmpty());
        QAction *markArea = item("markArea");
        QVERIFY(markArea);
        QCOMPARE(markArea->shortcut(), QKeySequence(Qt::Key_M));
        markArea->trigger();
        QVERIFY(video->markGestures()->isArmed());

        QSignalSpy started(marks, &MarkStore::trackingStarted);
        QSignalSpy finished(marks, &MarkStore::trackingFinished);
        const QRect plate = onScreen(QRectF(plateAt(2.0)));
        drag(plate.topLeft(), plate.bottomRight() + QPoint(1, 1));
        QVERIFY(!video->markGestures()->isArmed());
        QCOMPARE(marks->count(), 1);
        QCOMPARE(started.count(), 1);
        // The progress is on screen while the tracker runs.
        auto *menu = window->menuBar()->findChild<RedactMenu *>();
        QVERIFY(menu && menu->trackingProgress() && menu->trackingProgress()->isVisible());
        screenshot(QStringLiteral("marks_tracking_progress"));
        QVERIFY(finished.wait(120000));
        QCOMPARE(finished.first().at(2).toString(), QString());
        QVERIFY(!finished.first().at(3).toBool());
        QTRY_VERIFY_WITH_TIMEOUT(!menu->trackingProgress() || !menu->trackingProgress()->isVisible(), 5000);

        // Drawn where it was drawn, and on the plate at later frames (paused).
        QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
        QVERIFY2(apart(picture->boxesShown().first().box, plateAt(2.0)) <= 3,
                 qPrintable(QStringLiteral("%1").arg(apart(picture->boxesShown().first().box, plateAt(2.0)))));
        for (const double t : {3.5, 5.0, 7.2}) {
            showFrame(t);
            QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
            const QRectF box = picture->boxesShown().first().box;
            QVERIFY2(apart(box, plateAt(t)) <= 6, qPrintable(QStringLiteral("%1 s: %2 px off").arg(t).arg(apart(box, plateAt(t)))));
        }
        screenshot(QStringLiteral("marks_box_at_a_later_frame"));

        // While playing, the box of each frame shown.
        player->Play();
        int seen = 0, near = 0;
        for (int k = 0; k < 20; ++k) {
            QTest::qWait(40);
            const QList<ShownBox> boxes = picture->boxesShown();
            const double t = picture->frameSeconds();
            if (boxes.size() == 1) {
                ++seen;
                near += apart(boxes.first().box, plateAt(t)) <= 8 ? 1 : 0;
            }
        }
        player->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QVERIFY2(seen >= 15 && near >= 14, qPrintable(QStringLiteral("%1 with a box, %2 near").arg(seen).arg(near)));

        // The timeline's band covers the clip the plate is in.
        TelemetryTimeline *timeline = video->timeline();
        QCOMPARE(timeline->markBands().size(), 1);
        const MarkBand band = timeline->markBands().first();
        QVERIFY2(band.start < 0.1 && band.end > 11.5, qPrintable(QStringLiteral("%1-%2").arg(band.start).arg(band.end)));
        QVERIFY(timeline->markBandRect(0).width() > timeline->width() * 0.9);
        const QString band1 = WindowTest::screenshotFolder() + QStringLiteral("/marks_timeline_band.png");
        QVERIFY(timeline->grab().save(band1));
        qInfo("screenshot: %s", qPrintable(band1));
    }

    void aCorrectionMovesTheBoxAtItsFrame()
    {
        showFrame(6.0);
        QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
        const ShownBox before = picture->boxesShown().first();
        QSignalSpy finished(marks, &MarkStore::trackingFinished);
        // Dragged 24 picture pixels right and 10 down.
        const QRect shown = onScreen(before.box);
        const QPoint by = onScreen(before.box.translated(24, 10)).topLeft() - shown.topLeft();
        drag(shown.center(), shown.center() + by);
        // A key box of that frame now.
        QTRY_VERIFY_WITH_TIMEOUT(picture->boxesShown().size() == 1 && picture->boxesShown().first().key, 3000);
        const ShownBox after = picture->boxesShown().first();
        QVERIFY2(std::abs(after.box.left() - before.box.left() - 24) <= 2 &&
                     std::abs(after.box.top() - before.box.top() - 10) <= 2,
                 qPrintable(QStringLiteral("%1,%2 -> %3,%4").arg(before.box.left()).arg(before.box.top())
                                .arg(after.box.left()).arg(after.box.top())));
        QVERIFY(finished.wait(120000));
        showFrame(6.0);
        QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
        QCOMPARE(picture->boxesShown().first().box, after.box);
        screenshot(QStringLiteral("marks_corrected_box"));
    }

    // The plate detector finds the forged plate; a click on its dashed box asks Accept or
    // Drop; dropped it goes, accepted it is followed like a drawn box; found again where a
    // mark covers it, nothing new is offered and a message says so.
    void foundAreasAreOfferedToAcceptOrDrop()
    {
        // The first mark covers the plate; without it the plate is there to find.
        const int drawnId = marks->marksOf(clip()).marks().first().id;
        marks->choose(clip(), drawnId);
        QVERIFY(marks->deleteChosen());
        showFrame(4.0);
        QVERIFY(picture->boxesShown().isEmpty());
        QAction *find = item("findFacesAndPlates");
        QVERIFY(find);
        QCOMPARE(find->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
        const auto offeredBox = [&]() -> std::optional<ShownBox> {
            for (const ShownBox &b : picture->boxesShown())
                if (b.offered && apart(b.box, plateAt(4.0)) <= 12)
                    return b;
            return std::nullopt;
        };
        const auto answer = [&](const char *which) {
            const std::optional<ShownBox> b = offeredBox();
            QVERIFY(b);
            QTest::mouseClick(picture, Qt::LeftButton, {}, onScreen(b->box).center());
            QMenu *menu = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((menu = video->markGestures()->offerMenu()) && menu->isVisible(), 3000);
            auto *a = menu->findChild<QAction *>(QLatin1String(which));
            QVERIFY(a);
            a->trigger();
            menu->close();
        };
        for (const char *which : {"dropMark", "acceptMark"}) {
            QSignalSpy found(delegate.get(), &AppDelegate::areasFound);
            find->trigger();
            QVERIFY(found.wait(30000));
            QVERIFY2(found.first().at(0).toInt() >= 1, qPrintable(found.first().at(1).toString()));
            QTRY_VERIFY_WITH_TIMEOUT(offeredBox().has_value(), 3000);
            QVERIFY(delegate->toaster()->currentToast() &&
                    delegate->toaster()->currentToast()->text().contains(QStringLiteral("click a dashed box")));
            if (QByteArray(which) == "dropMark")
                screenshot(QStringLiteral("marks_offered_plate"));
            QSignalSpy finished(marks, &MarkStore::trackingFinished);
            answer(which);
            if (QByteArray(which) == "dropMark") {
                QTRY_VERIFY_WITH_TIMEOUT(!offeredBox().has_value(), 3000);
                continue;
            }
            // Accepted: solid, and followed through the clip.
            QTRY_VERIFY_WITH_TIMEOUT(!picture->boxesShown().isEmpty() && !picture->boxesShown().first().offered, 3000);
            QVERIFY(finished.wait(120000));
            showFrame(6.5);
            QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
            QVERIFY2(apart(picture->boxesShown().first().box, plateAt(6.5)) <= 12,
                     qPrintable(QString::number(apart(picture->boxesShown().first().box, plateAt(6.5)))));
        }
        // The plate is marked: nothing new to offer.
        showFrame(4.0);
        const int before = marks->count();
        QSignalSpy found(delegate.get(), &AppDelegate::areasFound);
        find->trigger();
        QVERIFY(found.wait(30000));
        QCOMPARE(found.first().at(0).toInt(), 0);
        QCOMPARE(marks->count(), before);
        QTRY_VERIFY_WITH_TIMEOUT(delegate->toaster()->currentToast() &&
                                     delegate->toaster()->currentToast()->text() ==
                                         QStringLiteral("No faces or number plates found on this frame"),
                                 3000);
    }

    // The crossing square leaves the picture at its foot: the mark ends there, its band
    // with the end mark that says "Lost here".
    void aTargetLostEndsItsBand()
    {
        showFrame(1.0);
        const PlateScene::Box o = PlateScene::object(30, kFps, kWidth, kHeight);
        item("markArea")->trigger();
        QSignalSpy finished(marks, &MarkStore::trackingFinished);
        const QRect area = onScreen(QRectF(o.x, o.y, o.width, o.height));
        drag(area.topLeft(), area.bottomRight() + QPoint(1, 1));
        QVERIFY(finished.wait(120000));
        const int id = marks->chosenId();
        TelemetryTimeline *timeline = video->timeline();
        int band = -1;
        for (int i = 0; i < timeline->markBands().size(); ++i)
            if (timeline->markBands().at(i).id == id)
                band = i;
        QVERIFY(band >= 0);
        const MarkBand b = timeline->markBands().at(band);
        QVERIFY2(b.lost && b.end > 2.0 && b.end < 4.2, qPrintable(QStringLiteral("%1-%2 lost %3").arg(b.start).arg(b.end).arg(b.lost)));
        // No box after the loss, and none jumped onto the plate.
        showFrame(b.end + 0.5);
        for (const ShownBox &shown : picture->boxesShown())
            QVERIFY(shown.id != id);
        const QRect r = timeline->markBandRect(band);
        QTest::mouseMove(timeline, QPoint(r.right(), r.center().y()));
        QTRY_COMPARE_WITH_TIMEOUT(QToolTip::text(), QStringLiteral("Lost here"), 3000);
        screenshot(QStringLiteral("marks_lost_here"));
        const QString strip = WindowTest::screenshotFolder() + QStringLiteral("/marks_timeline_lost_band.png");
        QVERIFY(timeline->grab().save(strip));
        qInfo("screenshot: %s", qPrintable(strip));
        marks->choose(clip(), id);
        QVERIFY(marks->deleteChosen());
    }

    // A box drawn on another camera's picture is that camera's mark.
    void aBoxOnTheRearPictureMarksTheRearClip()
    {
        showFrame(2.0);
        ChannelPictures *channels = video->channels();
        QCOMPARE(channels->count(), 1);
        auto *rear = qobject_cast<VideoPicture *>(channels->tile(0));
        QVERIFY(rear);
        const QString rearClip = channels->file(0);
        QVERIFY(rearClip.endsWith(QStringLiteral("020R.MOV")));
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(rear->frameSeconds() - 2.0) < 0.5 / kFps, 5000);
        const int front = marks->marksOf(clip()).marks().size();
        item("markArea")->trigger();
        QSignalSpy finished(marks, &MarkStore::trackingFinished);
        const PlateScene::Box p = PlateScene::plate(60, kFps, 480, 270);
        // The inset is small: the box takes some ground around the plate.
        const QRect area = MarkShapes::toWidget(QRectF(p.x - 12, p.y - 12, p.width + 24, p.height + 24), rear->frameSize(),
                                                rear->pictureArea(), rear->isMirrored()).toRect();
        QTest::mousePress(rear, Qt::LeftButton, {}, area.topLeft());
        for (int k = 1; k <= 6; ++k)
            QTest::mouseMove(rear, area.topLeft() + (area.bottomRight() - area.topLeft()) * k / 6, 10);
        QTest::mouseRelease(rear, Qt::LeftButton, {}, area.bottomRight());
        QCOMPARE(marks->marksOf(rearClip).marks().size(), 1);
        QCOMPARE(marks->marksOf(clip()).marks().size(), front);
        QVERIFY(finished.wait(120000));
        QTRY_COMPARE_WITH_TIMEOUT(rear->boxesShown().size(), 1, 3000);
        showFrame(5.0);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(rear->frameSeconds() - 5.0) < 0.5 / kFps, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rear->boxesShown().size(), 1, 3000);
        const PlateScene::Box later = PlateScene::plate(150, kFps, 480, 270);
        const int off = apart(rear->boxesShown().first().box,
                              QRect(later.x - 12, later.y - 12, later.width + 24, later.height + 24));
        QVERIFY2(off <= 8, qPrintable(QString::number(off)));
        screenshot(QStringLiteral("marks_rear_inset"));
        // Away with it, so that the front's marks are what the rest counts.
        QTest::mouseClick(rear, Qt::LeftButton, {}, MarkShapes::toWidget(rear->boxesShown().first().box, rear->frameSize(),
                                                                          rear->pictureArea(), rear->isMirrored())
                                                         .toRect()
                                                         .center());
        QCOMPARE(marks->chosenFile(), rearClip);
        QVERIFY(marks->deleteChosen());
        QVERIFY(marks->marksOf(rearClip).isEmpty());
    }

    // Stop in the progress window ends the tracking; the mark keeps its own box.
    void stoppingTheTrackerKeepsTheMark()
    {
        showFrame(9.0);
        const int before = marks->count();
        item("markArea")->trigger();
        QSignalSpy finished(marks, &MarkStore::trackingFinished);
        const QRect area = onScreen(QRectF(40, 40, 60, 40));
        drag(area.topLeft(), area.bottomRight());
        QCOMPARE(marks->count(), before + 1);
        auto *menu = window->menuBar()->findChild<RedactMenu *>();
        QVERIFY(menu->trackingProgress() && menu->trackingProgress()->isVisible());
        auto *stop = menu->trackingProgress()->findChild<QPushButton *>();
        QVERIFY(stop && stop->text() == QStringLiteral("Stop"));
        stop->click();
        QVERIFY(finished.wait(60000));
        QVERIFY(finished.first().at(3).toBool());
        QTRY_VERIFY_WITH_TIMEOUT(delegate->toaster()->currentToast() &&
                                     delegate->toaster()->currentToast()->text().startsWith(QStringLiteral("Tracking stopped")),
                                 3000);
        QCOMPARE(marks->count(), before + 1);
        const int id = marks->chosenId();
        const RedactMark *mark = marks->marksOf(clip()).mark(id);
        QVERIFY(mark);
        QCOMPARE(mark->keys.size(), 1);
        QVERIFY(mark->tracked.isEmpty());
        QVERIFY(marks->deleteChosen());
        QCOMPARE(marks->count(), before);
    }

    void theMarkIsKeptOverARestart()
    {
        const RedactMarks kept = marks->marksOf(clip());
        QCOMPARE(kept.marks().size(), 1);
        showFrame(3.0);
        QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
        const QRectF at3 = picture->boxesShown().first().box;
        stop();
        TrackStore::flush();
        TrackStore::reload();
        start();
        QCOMPARE(marks->count(), 1);
        QCOMPARE(marks->marksOf(clip()), kept);
        showFrame(3.0);
        QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
        QCOMPARE(picture->boxesShown().first().box, at3);
        QVERIFY(apart(at3, plateAt(3.0)) <= 12);
        QCOMPARE(video->timeline()->markBands().size(), 1);

        // Delete Mark takes the chosen one away, from the picture and the timeline.
        const QRect shown = onScreen(picture->boxesShown().first().box);
        QTest::mouseClick(picture, Qt::LeftButton, {}, shown.center());
        QCOMPARE(marks->chosenId(), kept.marks().first().id);
        QTRY_VERIFY_WITH_TIMEOUT(!picture->boxesShown().isEmpty() && picture->boxesShown().first().selected, 3000);
        screenshot(QStringLiteral("marks_chosen_after_restart"));
        // Show Marks off hides them from the picture and the timeline, on shows them again.
        QAction *show = item("showMarks");
        QVERIFY(show && show->isChecked());
        show->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(picture->boxesShown().isEmpty(), 3000);
        QVERIFY(video->timeline()->markBands().isEmpty());
        QCOMPARE(marks->count(), 1);
        show->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(picture->boxesShown().size(), 1, 3000);
        QCOMPARE(video->timeline()->markBands().size(), 1);
        item("deleteMark")->trigger();
        QCOMPARE(marks->count(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(picture->boxesShown().isEmpty(), 3000);
        QVERIFY(video->timeline()->markBands().isEmpty());

        // Clear Marks of This Clip takes every mark of the moment.
        QSignalSpy found(delegate.get(), &AppDelegate::areasFound);
        item("findFacesAndPlates")->trigger();
        QVERIFY(found.wait(30000));
        QVERIFY(marks->count() >= 1);
        item("clearMarks")->trigger();
        QCOMPARE(marks->count(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(picture->boxesShown().isEmpty(), 3000);
        QCOMPARE(delegate->toaster()->currentToast()->text(), QStringLiteral("Marks cleared: %1").arg(found.first().at(0).toInt()));
    }

    // What is marked here is what the incident export blurs: the manifest says the copy
    // is redacted and counts the mark.
    void theIncidentExportBlursWhatIsMarked()
    {
        showFrame(3.0);
        QCOMPARE(marks->count(), 0);
        item("markArea")->trigger();
        QSignalSpy finished(marks, &MarkStore::trackingFinished);
        const QRect plate = onScreen(QRectF(plateAt(3.0)));
        drag(plate.topLeft(), plate.bottomRight() + QPoint(1, 1));
        QVERIFY(finished.wait(120000));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_I);
        showFrame(5.0);
        QTest::keyClick(window.get(), Qt::Key_O);
        QVERIFY(video->markInTime() && video->markOutTime());
        QTemporaryDir out;
        bool asked = false;
        delegate->exportPanel = [&](const QString &) { return out.filePath(QStringLiteral("incident")); };
        delegate->incidentBlurDialog = [&](IncidentBlurDialog *dialog) {
            asked = true;
            if (auto *box = dialog->findChild<BlurChoiceBox *>(QStringLiteral("blurMarked")))
                box->setChecked(true);
            return true;
        };
        QSignalSpy exported(delegate.get(), &AppDelegate::incidentExported);
        QAction *exportItem = nullptr;
        for (QAction *a : window->findChildren<QAction *>())
            if (a->text() == QStringLiteral("Export Incident…"))
                exportItem = a;
        QVERIFY(exportItem);
        exportItem->trigger();
        QVERIFY(exported.wait(60000));
        delegate->exportPanel = nullptr;
        delegate->incidentBlurDialog = nullptr;
        QVERIFY2(exported.first().first().toBool(), qPrintable(exported.first().at(1).toString()));
        QVERIFY(asked);
        const ManifestVerdict verdict =
            verifyManifest(out.filePath(QStringLiteral("incident.manifest.json")).toStdString());
        QVERIFY(verdict.allSame());
        QVERIFY(verdict.redacted);
        QCOMPARE(verdict.redactedMarks, int64_t(1));
    }
};

VELTRA_WINDOW_TEST_MAIN(MarksEndToEndTest)
#include "tst_marks_e2e.moc"
