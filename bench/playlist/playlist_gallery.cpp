// Renders the play list pane beside the player at the window's size into PNG files
// for looking at: playlist_gallery SAMPLES_DIR OUTDIR
// (SAMPLES_DIR is build/samples; the pane gets copies of its recordings.)
#include "app/AppDelegate.h"
#include "app/Wiring.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayQueue.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "player/PlayerView.h"
#include "playlist/PlayListView.h"
#include "store/TrackStore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QTest>

namespace {

void save(QWidget *w, const QString &file)
{
    QApplication::processEvents();
    if (!w->grab().save(file))
        qWarning("cannot write %s", qPrintable(file));
    else
        qInfo("%s", qPrintable(file));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        qWarning("usage: playlist_gallery SAMPLES_DIR OUTDIR");
        return 2;
    }
    const QString samples = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    Localization::install(QStringLiteral("en"));
    TrackStore::clearPlayList();

    QTemporaryDir dir;
    const QStringList names{"2026_1108_093000_001.MOV", "2026_1108_093100_002.MOV", "2026_1108_093200_003.MOV",
                            "2019_0312_153012_001.MOV", "CARDIMAGE0123456.MP4", "ABC_123.MOV"};
    const QString source = samples + QStringLiteral("/drive/2026_1108_093000_001.MOV");
    QList<QUrl> urls;
    QDir().mkpath(dir.path() + QStringLiteral("/SD card"));
    for (int k = 0; k < names.size(); ++k) {
        const QString from = k < 3 ? samples + QStringLiteral("/drive/") + names[k] : source;
        const QString to = dir.path() + QStringLiteral("/SD card/") + names[k];
        QFile::copy(from, to);
        QFile::setPermissions(to, k == 1 ? QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther
                                         : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        urls << QUrl::fromLocalFile(to);
    }

    Settings settings;
    AppDelegate delegate(settings);
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *queue = new PlayQueue(settings, &window);
    auto *telemetry = new DriveTelemetry(&window);
    auto *player = new PlayerView(settings);
    auto *list = new PlayListView(queue, settings);
    layout->addWidget(player, 1);
    layout->addWidget(list);
    list->setFixedSize(450, 440);
    Wiring::playerAndPlayList(player, list, queue, telemetry, nullptr);
    window.resize(1344, 756);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    save(list, out + QStringLiteral("/playlist_empty.png"));

    list->openPanel = [urls](QWidget *) { return urls; };
    list->addVideoPlay();
    // Grabbed before the event loop runs again: the store is still reading.
    list->grab().save(out + QStringLiteral("/playlist_reading.png"));
    if (!QTest::qWaitFor([&] { return !list->isReadingFiles() && queue->currentRow() >= 0; }, 20000))
        qWarning("the files were not read in time");
    queue->play(0);
    QTest::qWait(4000);
    save(list, out + QStringLiteral("/playlist_playing.png"));

    Localization::install(QStringLiteral("zh-Hans"));
    QTest::qWait(200);
    save(list, out + QStringLiteral("/playlist_zh.png"));
    Localization::install(QStringLiteral("en"));
    QTest::qWait(200);
    player->close();
    return 0;
}
