// The play list pane driven as the user and the player drive it: the real player
// plays copies of the forged recordings, the store reads them in the background. The
// order of play itself is the queue's (tst_play_queue); here the pane shows it.
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "app/AppDelegate.h"
#include "app/PaneLayout.h"
#include "app/MainWindow.h"
#include "app/Wiring.h"
#include "common/Localization.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayQueue.h"
#include "instruments/PositionCompassPanel.h"
#include "player/PlayerView.h"
#include "playlist/PlayListModel.h"
#include "drive/PlayListRules.h"
#include "playlist/PlayListTableView.h"
#include "playlist/PlayListView.h"
#include "ui/AppToast.h"
#include "store/TrackStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

// Records every file the queue asked the player to open.
struct OpenProbe {
    QStringList opened;
};

QString urlText(const QString &local)
{
    return QUrl::fromLocalFile(local).toString(QUrl::FullyEncoded);
}

} // namespace

class PlayListViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir sourceDir_;
    QString source_;   // a playable recording to copy under the names we need

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TestSettings> settings_;
    std::unique_ptr<AppDelegate> app_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<MainWindow> mainWindow_;
    PlayerView *vc_ = nullptr;
    PlayListView *pl_ = nullptr;
    PlayQueue *queue_ = nullptr;
    std::unique_ptr<OpenProbe> probe_;

    // Copies of the recording under `names` in the test's folder (or a sub-folder).
    QList<QUrl> files(const QStringList &names, const QString &sub = QString())
    {
        QList<QUrl> urls;
        const QString folder = sub.isEmpty() ? dir_->path() : dir_->path() + QLatin1Char('/') + sub;
        QDir().mkpath(folder);
        for (const QString &n : names) {
            const QString target = folder + QLatin1Char('/') + n;
            if (!QFile::exists(target) && !QFile::copy(source_, target))
                qFatal("cannot copy the sample to %s", qPrintable(target));
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
            urls << QUrl::fromLocalFile(target);
        }
        return urls;
    }

    // Adds through the add button with the dialog answering `urls`, and waits until
    // the first of them has been started.
    bool add(const QList<QUrl> &urls)
    {
        pl_->openPanel = [urls](QWidget *) { return urls; };
        const int before = int(probe_->opened.size());
        QTest::mouseClick(pl_->buttonAdd, Qt::LeftButton);
        return QTest::qWaitFor([&] { return probe_->opened.size() > before && !pl_->isReadingFiles(); }, 15000);
    }

    QString rowPath(int row) const { return pl_->playlist().value(row).path; }
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex &i : pl_->tableView->selectionModel()->selectedRows())
            rows << i.row();
        return rows;
    }
    QString cell(int row, int column) const
    {
        return pl_->model()->index(row, column).data(Qt::DisplayRole).toString();
    }
    QList<bool> activeFlags() const
    {
        QList<bool> flags;
        for (const PlayListEntry &e : TrackStore::playList().value_or(PlayList()))
            flags << e.active;
        return flags;
    }
    void settle() { QTest::qWait(50); }

    // The program's main window in place of the bare pane: vc_ and pl_ become its
    // own player and play list (the probe is not attached).
    void useMainWindow()
    {
        window_.reset();
        mainWindow_ = std::make_unique<MainWindow>(*app_);
        vc_ = mainWindow_->paneLayout()->playerView;
        pl_ = mainWindow_->paneLayout()->playListView;
        queue_ = mainWindow_->paneLayout()->queue;
        mainWindow_->showWindow();
        QVERIFY(QTest::qWaitForWindowActive(mainWindow_.get()));
    }
    // Space as the user presses it: to the widget with the focus, else to the window.
    void pressSpace()
    {
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target ? target : QApplication::activeWindow(), Qt::Key_Space);
    }

private slots:
    void initTestCase()
    {
        Localization::install(QStringLiteral("en"));
        const QString forged = qEnvironmentVariable("VELTRA_SAMPLES") + QStringLiteral("/nt9665_1trak.MOV");
        if (QFile::exists(forged)) {
            source_ = forged;
        } else {
            // Until the forge writes its samples: a short H.264 clip of our own.
            source_ = sourceDir_.filePath(QStringLiteral("clip.MOV"));
            const int rc = QProcess::execute(QStringLiteral("ffmpeg"),
                {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=30",
                 "-t", "6", "-c:v", "libx264", "-bf", "0", "-pix_fmt", "yuv420p", source_});
            QCOMPARE(rc, 0);
        }
    }

    void init()
    {
        TrackStore::clearPlayList();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        settings_ = std::make_unique<TestSettings>();
        app_ = std::make_unique<AppDelegate>(*settings_);
        window_ = std::make_unique<QWidget>();
        auto *layout = new QHBoxLayout(window_.get());
        layout->setContentsMargins(0, 0, 0, 0);
        queue_ = new PlayQueue(*settings_, window_.get());
        auto *telemetry = new DriveTelemetry(window_.get());
        vc_ = new PlayerView(*settings_);
        pl_ = new PlayListView(queue_, *settings_);
        Wiring::playerAndPlayList(vc_, pl_, queue_, telemetry, app_.get());
        Wiring::panels(telemetry, nullptr, Wiring::positionPanel(pl_, *settings_));
        layout->addWidget(vc_, 2);
        layout->addWidget(pl_, 1);
        probe_ = std::make_unique<OpenProbe>();
        connect(queue_, &PlayQueue::playRequested, window_.get(),
                [this](const QUrl &url) { probe_->opened << url.toString(QUrl::FullyEncoded); });
        window_->resize(1344, 756);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(app_->playListView(), pl_);
        QCOMPARE(app_->playerView(), vc_);
    }

    void cleanup()
    {
        mainWindow_.reset();
        window_.reset();
        probe_.reset();
        app_.reset();
        settings_.reset();
        dir_.reset();
        TrackStore::clearPlayList();
    }

    void startsEmpty()
    {
        QCOMPARE(queue_->currentRow(), -1);
        QCOMPARE(pl_->model()->rowCount(), 0);
        QCOMPARE(pl_->model()->columnCount(), 4);
        const QStringList titles{"No.", "Filename", "Time & Date", "Protected"};
        // The columns share the table's width as the width rule says; the last one fills the rest.
        const QList<int> widths = PlayListRules::columnWidths(pl_->tableView->viewport()->width());
        QVERIFY(widths[1] > 130);
        int sum = 0;
        for (int c = 0; c < 4; ++c) {
            sum += pl_->tableView->columnWidth(c);
            if (c < 3)
                QCOMPARE(pl_->tableView->columnWidth(c), widths[c]);
        }
        QCOMPARE(sum, pl_->tableView->viewport()->width());
        QCOMPARE(pl_->tableView->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(pl_->tableView->showGrid());
        QVERIFY(!pl_->progressBar->isVisible());
        // The table takes the upper 40 % of the pane, the compass panel lies below it.
        QCOMPARE(pl_->tableView->geometry().height(), int(pl_->height() * 0.4));
        QVERIFY(pl_->gpsPanel->geometry().top() > pl_->tableView->geometry().bottom());
    }

    void cellTexts()
    {
        const QStringList names{"2019_0312_153012_001.MOV", "20190312153012.mov", "ABC_123.MOV", "CARDIMAGE0123456.MP4",
                                "<img src=\"missing.png\" width=\"900\">&lt;b&gt;.MOV"};
        QVERIFY(add(files(names)));
        QCOMPARE(pl_->model()->rowCount(), 5);
        const QStringList numbers{"1", "2", "3", "4", "5"};
        const QStringList times{"2019-03-12 15:30:12", "2019-03-12 15:30:12", "", "", ""};
        for (int r = 0; r < 5; ++r) {
            QCOMPARE(cell(r, PlayListModel::ColNumber), numbers[r]);
            QCOMPARE(cell(r, PlayListModel::ColFilename), names[r]);
            QCOMPARE(cell(r, PlayListModel::ColTimeDate), times[r]);
            QVERIFY(pl_->model()->index(r, PlayListModel::ColProtected).data(Qt::DecorationRole).isNull());
            // The name's tooltip reads as the name, markup or not (a tooltip that looks
            // like markup is shown as markup).
            const QString tip = pl_->model()->index(r, PlayListModel::ColFilename).data(Qt::ToolTipRole).toString();
            QTextDocument shown;
            if (Qt::mightBeRichText(tip))
                shown.setHtml(tip);
            else
                shown.setPlainText(tip);
            QCOMPARE(shown.toPlainText(), names[r]);
        }
    }

    // The files of a six-camera minute are one row, the front's; its tooltip names the
    // cameras that wait (the second minute lacks one).
    void sixCameraMinuteIsOneRow()
    {
        QStringList names;
        for (const char *camera : {"front", "back", "left_repeater", "right_repeater", "left_pillar", "right_pillar"}) {
            names << QStringLiteral("2026-11-13_10-03-00-%1.mp4").arg(QLatin1String(camera));
            if (qstrcmp(camera, "right_pillar") != 0)
                names << QStringLiteral("2026-11-13_10-04-00-%1.mp4").arg(QLatin1String(camera));
        }
        QVERIFY(add(files(names)));
        QCOMPARE(pl_->model()->rowCount(), 2);
        QCOMPARE(cell(0, PlayListModel::ColFilename), QStringLiteral("2026-11-13_10-03-00-front.mp4"));
        QCOMPARE(cell(1, PlayListModel::ColTimeDate), QStringLiteral("2026-11-13 10:04:00"));
        const auto tip = [this](int row) {
            QTextDocument shown;
            shown.setHtml(pl_->model()->index(row, PlayListModel::ColFilename).data(Qt::ToolTipRole).toString());
            return shown.toPlainText();
        };
        QVERIFY2(tip(0).contains(QStringLiteral("Cameras of this moment: Front in the picture, Rear, Left repeater, "
                                                "Right repeater, Left pillar, Right pillar beside it.")), qPrintable(tip(0)));
        QVERIFY2(tip(1).contains(QStringLiteral("Front in the picture, Rear, Left repeater, Right repeater, Left pillar "
                                                "beside it.")), qPrintable(tip(1)));
        QVERIFY2(pl_->model()->index(0, 0).data(PlayListModel::TripCaptionRole).toString().startsWith(
                     QStringLiteral("Front + 5 cameras \u00b7 ")),
                 qPrintable(pl_->model()->index(0, 0).data(PlayListModel::TripCaptionRole).toString()));
    }

    void lockMark()
    {
        const QList<QUrl> urls = files({"2026_1108_093000_001.MOV", "2026_1108_093100_002.MOV"}, QStringLiteral("my card"));
        // A file the camera locked: no write permission for anyone.
        QVERIFY(QFile::setPermissions(urls[0].toLocalFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(add(urls));
        QVERIFY(rowPath(0).contains(QStringLiteral("my%20card")));
        const QVariant locked = pl_->model()->index(0, PlayListModel::ColProtected).data(Qt::DecorationRole);
        QVERIFY(locked.canConvert<QPixmap>() && !locked.value<QPixmap>().isNull());
        // A writable file under a folder with a blank is not protected.
        QVERIFY(pl_->model()->index(1, PlayListModel::ColProtected).data(Qt::DecorationRole).isNull());

        // The mark follows the file at the next reload.
        QVERIFY(QFile::setPermissions(urls[0].toLocalFile(), QFile::ReadOwner | QFile::WriteOwner));
        pl_->reloadPlayListData();
        QVERIFY(!pl_->model()->isProtectedRow(0));
        QVERIFY(QFile::remove(urls[1].toLocalFile()));
        pl_->reloadPlayListData();
        QVERIFY(pl_->model()->isProtectedRow(1));
        QCOMPARE(pl_->model()->rowCount(), 2);
    }

    void addTwoToThree()
    {
        // The first file handed in plays (the queue's rule); its row is the selected one.
        QVERIFY(add(files({"A.MOV", "B.MOV", "C.MOV"})));
        QSignalSpy ready(vc_, &PlayerView::setUpFinished);
        QVERIFY(add(files({"D.MOV", "E.MOV"})));
        QCOMPARE(pl_->model()->rowCount(), 5);
        QVERIFY(probe_->opened.last().endsWith(QStringLiteral("/D.MOV")));
        QTRY_COMPARE(selectedRows(), QList<int>{3});
        // The real player plays it.
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty(), 15000);
        QCOMPARE(ready.last().first().toBool(), true);
        QTRY_VERIFY(vc_->currentTime() > 0.2);
        // The position and compass panel below the table hears the player through the pane.
        QCOMPARE(pl_->gpsPanel->currentPlayVideoPath(), rowPath(3));
        QCOMPARE(pl_->gpsPanel->totalTime(), vc_->duration());
    }

    void cancelledDialogAddsNothing()
    {
        QVERIFY(add(files({"A.MOV"})));
        pl_->openPanel = [](QWidget *) { return QList<QUrl>(); };
        QTest::mouseClick(pl_->buttonAdd, Qt::LeftButton);
        settle();
        QCOMPARE(pl_->model()->rowCount(), 1);
        QVERIFY(!pl_->isReadingFiles());
        QCOMPARE(probe_->opened.size(), 1);
    }

    void progressWhileReading()
    {
        QStringList names;
        for (int k = 0; k < 8; ++k)
            names << QStringLiteral("2026_1108_0930%1_001.MOV").arg(k, 2, 10, QLatin1Char('0'));
        const QList<QUrl> urls = files(names);
        pl_->openPanel = [urls](QWidget *) { return urls; };
        QSignalSpy steps(pl_->progressBar, &QProgressBar::valueChanged);
        QTest::mouseClick(pl_->buttonAdd, Qt::LeftButton);
        // The click returned before the files were read: the pane shows the count.
        QVERIFY(pl_->isReadingFiles());
        QCOMPARE(pl_->model()->rowCount(), 0);
        QVERIFY(pl_->progressBar->isVisible());
        QCOMPARE(pl_->progressBar->maximum(), 8);
        QCOMPARE(pl_->progressLabel->text(), QStringLiteral("Reading files: 0 of 8"));
        // The pane keeps answering while the store reads.
        bool timerRan = false;
        QTimer::singleShot(0, pl_, [&] { timerRan = true; });
        QTRY_VERIFY(timerRan);
        QTRY_VERIFY_WITH_TIMEOUT(!pl_->isReadingFiles(), 15000);
        QVERIFY(!pl_->progressBar->isVisible());
        QVERIFY(!pl_->progressLabel->isVisible());
        QCOMPARE(pl_->model()->rowCount(), 8);
        // The bar went up file by file to the whole card.
        QVERIFY(steps.size() >= 2);
        for (int k = 1; k < steps.size(); ++k)
            QVERIFY(steps[k].first().toInt() > steps[k - 1].first().toInt());
        QCOMPARE(steps.last().first().toInt(), 8);
        QTRY_COMPARE(queue_->currentRow(), 0);
    }

    // Clips added out of order show in trip order, a front and the rear of its second as
    // one row; each trip's first row has its caption, naming the cameras that recorded
    // it; a clip started at a second plays from there; a clip gone from disk is marked,
    // and skipped with a toast.
    void tripsInTimeOrder()
    {
        QVERIFY(add(files({"2026_1108_093100_002F.MOV", "2026_1108_100000_003F.MOV", "2026_1108_093000_001F.MOV",
                           "2026_1108_093000_001R.MOV"})));
        QCOMPARE(pl_->model()->rowCount(), 3);
        QVERIFY(rowPath(0).endsWith("001F.MOV") && rowPath(1).endsWith("002F.MOV") && rowPath(2).endsWith("003F.MOV"));
        QCOMPARE(pl_->trips().size(), 2);
        const auto caption = [this](int row) {
            return pl_->model()->index(row, 0).data(PlayListModel::TripCaptionRole).toString();
        };
        QVERIFY2(caption(0).startsWith(QStringLiteral("Front + Rear \u00b7 2026-11-08 09:30:00\u201309:32:00 \u00b7 2 clips \u00b7 ")), qPrintable(caption(0)));
        QCOMPARE(caption(1), QString());
        QVERIFY2(caption(2).startsWith(QStringLiteral("Front \u00b7 ")) && caption(2).contains(QStringLiteral("1 clip ")),
                 qPrintable(caption(2)));
        const QString tip = pl_->model()->index(0, PlayListModel::ColFilename).data(Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(QStringLiteral("Cameras of this moment: Front in the picture, Rear beside it.")), qPrintable(tip));
        // The caption follows the unit chosen.
        settings_->setKmph(false);
        QVERIFY2(caption(0).endsWith(QStringLiteral(" MILES")), qPrintable(caption(0)));
        settings_->setKmph(true);
        QVERIFY2(caption(0).endsWith(QStringLiteral(" KM")), qPrintable(caption(0)));
        QVERIFY(pl_->tableView->rowHeight(0) > pl_->tableView->rowHeight(1));

        queue_->playClipAt(QUrl(rowPath(1)), 20);
        QTRY_VERIFY_WITH_TIMEOUT(vc_->currentTime() >= 20, 15000);

        QVERIFY(QFile::remove(QUrl(rowPath(0)).toLocalFile()));
        pl_->reloadPlayListData();
        QVERIFY(pl_->model()->isMissingRow(0));
        queue_->play(0);
        QCOMPARE(queue_->currentRow(), 1);
        QVERIFY(app_->toaster()->winlock());   // the missing file is named in a toast
    }

    void removeWithRow2Current()
    {
        QVERIFY(add(files({"A.MOV", "B.MOV", "C.MOV"})));
        const QString a = rowPath(0), b = rowPath(1), c = rowPath(2);
        queue_->play(1);
        QSignalSpy ready(vc_, &PlayerView::setUpFinished);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty(), 15000);
        QSignalSpy sources(vc_->engine(), &MediaEngine::sourceChanged);

        QTest::mouseClick(pl_->buttonRemove, Qt::LeftButton);
        QCOMPARE((QStringList{rowPath(0), rowPath(1)}), (QStringList{a, c}));
        QCOMPARE(probe_->opened.last(), a);
        // The player closed B before A was opened.
        QVERIFY(sources.size() >= 2);
        QCOMPARE(sources.first().first().toUrl(), QUrl());
        QCOMPARE(sources.last().first().toUrl(), QUrl(a));
        QTRY_COMPARE(selectedRows(), QList<int>{0});
        Q_UNUSED(b);
    }

    void removeTheOnlyEntry()
    {
        QVERIFY(add(files({"A.MOV"})));
        QTRY_COMPARE(selectedRows(), QList<int>{0});
        const int opens = int(probe_->opened.size());
        QTest::mouseClick(pl_->buttonRemove, Qt::LeftButton);
        QCOMPARE(pl_->model()->rowCount(), 0);
        QCOMPARE(TrackStore::playList()->size(), 0);
        QCOMPARE(queue_->currentRow(), -1);
        QVERIFY(!vc_->isAddVideoFile());
        settle();
        QCOMPARE(selectedRows(), QList<int>());
        QCOMPARE(probe_->opened.size(), opens);
    }

    void filesOpenedFromTheMenu()
    {
        const QList<QUrl> urls = files({"A.MOV", "B.MOV", "C.MOV"});
        QSignalSpy ready(vc_, &PlayerView::setUpFinished);
        app_->openUrls(urls);
        QTRY_COMPARE_WITH_TIMEOUT(probe_->opened.size(), 1, 15000);
        QCOMPARE(probe_->opened.last(), urlText(urls[0].toLocalFile()));
        QCOMPARE(pl_->model()->rowCount(), 3);
        // A's row is the current one and is selected.
        QCOMPARE(queue_->currentRow(), 0);
        QTRY_COMPARE(selectedRows(), QList<int>{0});
        QCOMPARE(activeFlags(), (QList<bool>{true, false, false}));

        // A plays to its real end: the player asks the queue, which starts B.
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() && ready.last().first().toBool(), 15000);
        // (A seek issued before playback has moved at all can stall the backend.)
        QTRY_VERIFY_WITH_TIMEOUT(vc_->currentTime() > 0.3, 10000);
        vc_->setCurrentTime(vc_->duration() - 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(probe_->opened.size(), 2, 15000);
        QCOMPARE(probe_->opened.last(), rowPath(1));
        QCOMPARE(queue_->currentRow(), 1);
        QTRY_COMPARE(selectedRows(), QList<int>{1});
    }

    // In the program's window Space plays and pauses, whatever button was clicked last.
    void spaceAfterButtonClicks()
    {
        useMainWindow();
        for (QAbstractButton *b : mainWindow_->findChildren<QAbstractButton *>())
            QVERIFY2(!(b->focusPolicy() & Qt::ClickFocus), qPrintable(b->objectName()));

        const QList<QUrl> urls = files({"A.MOV", "B.MOV", "C.MOV"});
        int dialogs = 0;
        pl_->openPanel = [&](QWidget *) { return ++dialogs == 1 ? urls : QList<QUrl>(); };
        QSignalSpy ready(vc_, &PlayerView::setUpFinished);
        QTest::mouseClick(pl_->buttonAdd, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(queue_->currentRow(), 0, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() && ready.last().first().toBool(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(vc_->engine()->playbackState(), MediaEngine::PlayingState, 10000);

        // Add, then cancel the dialog: Space pauses, plays, pauses; no dialog comes back.
        QTest::mouseClick(pl_->buttonAdd, Qt::LeftButton);
        QCOMPARE(dialogs, 2);
        for (const MediaEngine::PlaybackState state :
             {MediaEngine::PausedState, MediaEngine::PlayingState, MediaEngine::PausedState}) {
            pressSpace();
            QTRY_COMPARE(vc_->engine()->playbackState(), state);
        }
        QCOMPARE(dialogs, 2);

        // Remove takes the playing row only, not one more per Space.
        ready.clear();
        QTest::mouseClick(pl_->buttonRemove, Qt::LeftButton);
        QCOMPARE(pl_->model()->rowCount(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() && ready.last().first().toBool(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(vc_->engine()->playbackState(), MediaEngine::PlayingState, 10000);
        for (int k = 0; k < 3; ++k)
            pressSpace();
        QTRY_COMPARE(vc_->engine()->playbackState(), MediaEngine::PausedState);
        QCOMPARE(pl_->model()->rowCount(), 2);

        // A text field of the window still types the blank, and a dialog keeps Space to itself.
        auto *field = new QLineEdit(mainWindow_.get());
        field->show();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Space);
        QCOMPARE(field->text(), QStringLiteral(" "));
        QDialog dialog(mainWindow_.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        pressSpace();
        settle();
        QCOMPARE(vc_->engine()->playbackState(), MediaEngine::PausedState);
    }

    void dragMovesTheRowAndPlayingFollows()
    {
        QVERIFY(add(files({"A.MOV", "B.MOV", "C.MOV", "D.MOV"})));
        const QStringList before{rowPath(0), rowPath(1), rowPath(2), rowPath(3)};
        queue_->play(0);
        QSignalSpy ready(vc_, &PlayerView::setUpFinished);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty(), 15000);
        const int opens = int(probe_->opened.size());
        QTRY_COMPARE(selectedRows(), QList<int>{0});

        // What a drag of row 1 carries.
        const QModelIndex dragged = pl_->model()->index(0, 1);
        std::unique_ptr<QMimeData> mime(pl_->model()->mimeData({dragged}));
        QVERIFY(mime);
        const QStringList formats = mime->formats();
        QCOMPARE(formats, QStringList(QString::fromLatin1(PlayListRules::kDragType)));

        // Dropped on the lower half of row 3: it lands below row 3.
        QWidget *viewport = pl_->tableView->viewport();
        const QPoint at = pl_->tableView->visualRect(pl_->model()->index(2, 1)).center() + QPoint(0, 4);
        QDragEnterEvent enter(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QVERIFY(move.isAccepted());
        QDropEvent drop(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(drop.isAccepted());

        // The queue moved the row (tst_play_queue tells the rest); the selection follows A.
        const QStringList after{before[1], before[2], before[0], before[3]};
        QCOMPARE((QStringList{rowPath(0), rowPath(1), rowPath(2), rowPath(3)}), after);
        QTRY_COMPARE(selectedRows(), QList<int>{2});
        // A kept playing: nothing was closed or opened.
        QCOMPARE(probe_->opened.size(), opens);
        QVERIFY(vc_->isAddVideoFile());
        QCOMPARE(vc_->engine()->source(), QUrl(before[0]));
    }

    void foreignDropIsRefused()
    {
        QVERIFY(add(files({"A.MOV", "B.MOV"})));
        const QStringList before{rowPath(0), rowPath(1)};
        QMimeData text;
        text.setText(QStringLiteral("0"));
        QWidget *viewport = pl_->tableView->viewport();
        const QPoint at = pl_->tableView->visualRect(pl_->model()->index(0, 1)).center();
        QDragEnterEvent enter(at, Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDropEvent drop(at, Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(!drop.isAccepted());
        QCOMPARE((QStringList{rowPath(0), rowPath(1)}), before);
    }

    void keys()
    {
        QVERIFY(add(files({"A.MOV", "B.MOV", "CAR.MOV"})));
        QSignalSpy ready(vc_, &PlayerView::setUpFinished);
        queue_->play(0);
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() && ready.last().first().toBool(), 15000);
        QTRY_COMPARE(selectedRows(), QList<int>{0});
        pl_->tableView->setFocus();
        const int opens = int(probe_->opened.size());

        // Typing a letter does not jump to a row.
        QTest::keyClick(pl_->tableView, Qt::Key_C);
        settle();
        QCOMPARE(selectedRows(), QList<int>{0});
        QCOMPARE(pl_->tableView->currentIndex().row(), 0);

        // Ctrl+A asks the table to select all; with single selection nothing more is selected.
        QSignalSpy selectAll(pl_->tableView, &PlayListTableView::selectAllRequested);
        QTest::keyClick(pl_->tableView, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(selectAll.size(), 1);
        QCOMPARE(selectedRows(), QList<int>{0});

        // Space goes to the player, which pauses.
        QTRY_VERIFY(vc_->requestedRate() > 0);
        QTest::keyClick(pl_->tableView, Qt::Key_Space);
        QTRY_COMPARE(vc_->requestedRate(), 0.0);
        QCOMPARE(probe_->opened.size(), opens);

        // Moving down a row with the keyboard starts that row.
        QTest::keyClick(pl_->tableView, Qt::Key_Down);
        QTRY_COMPARE(queue_->currentRow(), 1);
        QCOMPARE(probe_->opened.last(), rowPath(1));
    }

    void languageChange()
    {
        QCOMPARE(pl_->buttonAdd->text(), QStringLiteral("Add"));
        Localization::install(QStringLiteral("zh-Hans"));
        QCOMPARE(pl_->model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("序号"));
        QTRY_COMPARE(pl_->tableView->horizontalHeader()->model()->headerData(2, Qt::Horizontal).toString(),
                     QString::fromUtf8("时间和日期"));
        QTRY_COMPARE(pl_->buttonAdd->text(), QString::fromUtf8("添加"));
        QCOMPARE(pl_->buttonRemove->text(), QString::fromUtf8("移除"));

        const QList<QUrl> urls = files({"A.MOV", "B.MOV"});
        pl_->openPanel = [urls](QWidget *) { return urls; };
        pl_->addVideoPlay();
        QCOMPARE(pl_->progressLabel->text(), QString::fromUtf8("正在读取文件：0 / 2"));
        // Back to English while the files are still being read.
        Localization::install(QStringLiteral("en"));
        QTRY_COMPARE(pl_->buttonAdd->text(), QStringLiteral("Add"));
        QCOMPARE(pl_->buttonRemove->text(), QStringLiteral("Remove"));
        QCOMPARE(pl_->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("No."));
        if (pl_->isReadingFiles())
            QVERIFY(QRegularExpression(QStringLiteral("^Reading files: [0-2] of 2$")).match(pl_->progressLabel->text()).hasMatch());
        QTRY_VERIFY_WITH_TIMEOUT(!pl_->isReadingFiles(), 15000);
    }
};

VELTRA_WINDOW_TEST_MAIN(PlayListViewTest)

#include "tst_playlist_view.moc"
