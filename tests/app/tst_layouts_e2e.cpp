// Every telemetry layout on the real window: the forged card with a clip of each layout,
// each played in turn; the panels show the clip's speed, position and G for the moment
// on screen, a dash for what the layout does not record, and a clip whose telemetry is
// enciphered says so. Each clip's screen is kept as a picture (VELTRA_SHOTS, else the
// build's screenshots folder).
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PaneLayout.h"
#include "common/AppUtils.h"
#include "common/Localization.h"
#include "drive/IndexRule.h"
#include "drive/PlayQueue.h"
#include "instruments/InstrumentGeometry.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/PositionCompassPanel.h"
#include "player/PlayerView.h"
#include "playlist/PlayListView.h"
#include "ui/AppToast.h"
#include "ui/ToastWindow.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

using namespace InstrumentGeometry;

namespace {

QString layouts() { return qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/layouts/"); }

QJsonArray truthOf(const QString &file)
{
    QFile f(file + QStringLiteral(".truth.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("key_video_datas")).toArray();
}

} // namespace

class LayoutsEndToEndTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;
    PaneLayout *layout = nullptr;
    QString shotDir;

private slots:
    void initTestCase()
    {
        Localization::install(QStringLiteral("en"));
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
        window.reset();
        delegate.reset();
    }

    void eachLayoutAsTheUserSeesIt_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("missing");   // what the layout does not record
        QTest::addColumn<bool>("unreadable");
        QTest::addRow("freegps-v3") << "freegps_v3.MOV" << QStringList() << false;
        QTest::addRow("freegps-v3 without index") << "freegps_v3_noindex.MOV" << QStringList() << false;
        QTest::addRow("freegps-old") << "freegps_old.MOV" << QStringList{"G"} << false;
        QTest::addRow("freegps-long") << "freegps_long.MOV" << QStringList() << false;
        QTest::addRow("freegps-nmea") << "freegps_nmea.MOV" << QStringList() << false;
        QTest::addRow("freegps enciphered") << "freegps_xor.MOV" << QStringList() << true;
        QTest::addRow("free-box") << "20261113_100100_NF.mp4" << QStringList() << false;
        QTest::addRow("text-0x120") << "text_0x120.MOV" << QStringList() << false;
        QTest::addRow("text-gsensori") << "text_gsensori.MOV" << QStringList() << false;
        QTest::addRow("text-nmea") << "text_nmea.MOV" << QStringList{"G"} << false;
        QTest::addRow("nmea-file") << "2026_1113_100140_001.MOV" << QStringList{"G"} << false;
        QTest::addRow("gpx-file") << "2026_1113_100150_001.MOV" << QStringList{"G"} << false;
        QTest::addRow("gpmf") << "gpmf.MOV" << QStringList() << false;
        QTest::addRow("gpmf-gps9") << "gpmf_gps9.MOV" << QStringList{"speed without a fix"} << false;
        QTest::addRow("gpmd-freegps") << "gpmd_freegps.MOV" << QStringList() << false;
    }
    void eachLayoutAsTheUserSeesIt()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, missing);
        QFETCH(bool, unreadable);
        const QString path = layouts() + file;
        QVERIFY(QFile::exists(path));
        const QJsonArray truth = truthOf(path);
        QCOMPARE(truth.isEmpty(), unreadable);

        QSignalSpy opened(delegate.get(), &AppDelegate::filesOpened);
        delegate->openUrls({QUrl::fromLocalFile(path)});
        QVERIFY(opened.wait(30000));
        PlayerView *video = layout->playerView;
        QTRY_VERIFY_WITH_TIMEOUT(video->currentFile() == path && video->duration() > 5, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentTime() >= 2.5, 20000);
        video->execPlayOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(video->engine()->playbackState(), MediaEngine::PausedState, 5000);
        QTest::qWait(300);
        const double t = video->currentTime();
        const double duration = video->duration();

        InstrumentPanel *trip = layout->instrumentPanel;
        PositionCompassPanel *position = layout->playListView->gpsPanel;
        const QString dash = absentText();
        if (unreadable) {
            QTRY_VERIFY(delegate->toaster()->currentToast());
            QCOMPARE(delegate->toaster()->currentToast()->text(), Localization::text("telemetry_unreadable"));
        } else {
            // Speed: the sample's, or a dash.
            const int si = IndexRule::indexFor(t, duration, truth.size());
            QVERIFY(si >= 0);
            const QJsonObject at = truth[si].toObject();
            const bool fixed = !at["gps_lat"].toString().isEmpty();
            const bool noSpeed = missing.contains("speed") || (!fixed && missing.contains("speed without a fix"));
            QCOMPARE(position->spdshow->text(), noSpeed ? dash : AppUtils::speedText(float(at["spd"].toInt()), settings.kmph()));
            // Position: the fix of the moment.
            QList<QJsonObject> fixes;
            for (const QJsonValue &v : truth) {
                const QJsonObject s = v.toObject();
                if (leadingFloat(s["gps_lat"].toString()) != 0 && leadingFloat(s["gps_lgt"].toString()) != 0)
                    fixes << s;
            }
            const int pi = IndexRule::indexFor(t, duration, fixes.size());
            QVERIFY(pi >= 0);
            const float lat = leadingFloat(fixes[pi]["gps_lat"].toString());
            QCOMPARE(position->latitudeLabels->text(), convertLatLngToDFM(std::fabs(lat)));
            QCOMPARE(position->latitudeUnitLabels->text(), latitudeLetter(lat));
            // G: the reading of the moment, or dashes.
            if (missing.contains("G")) {
                QCOMPARE(trip->xTextField->text(), gsensorAbsentText('X'));
                QCOMPARE(trip->zTextField->text(), gsensorAbsentText('Z'));
                QVERIFY(trip->currentGsensorDataArr().isEmpty());
            } else {
                QList<QJsonObject> gs;
                for (const QJsonValue &v : truth) {
                    const QJsonObject s = v.toObject();
                    if (gsensorEntryAccepted(float(s["gsensor_x"].toDouble()), float(s["gsensor_y"].toDouble()),
                                             float(s["gsensor_z"].toDouble())))
                        gs << s;
                }
                const int gi = IndexRule::indexForSingle(t, float(duration), gs.size());
                QVERIFY(gi >= 0);
                QCOMPARE(trip->xTextField->text(), gsensorXText(float(gs[gi]["gsensor_x"].toDouble())));
                QCOMPARE(trip->zTextField->text(), gsensorZText(float(gs[gi]["gsensor_z"].toDouble())));
            }
        }
        QTest::qWait(400);   // the window repaints what the step changed
        const QString shot = shotDir + QStringLiteral("/layout_") +
                             QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')) +
                             QStringLiteral(".png");
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), shot});
        qInfo("screenshot: %s", qPrintable(shot));
        video->execPlayOrPause();
    }
};

VELTRA_WINDOW_TEST_MAIN(LayoutsEndToEndTest)
#include "tst_layouts_e2e.moc"
