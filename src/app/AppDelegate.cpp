#include "AppDelegate.h"
#include "LibraryMenu.h"
#include "map/OfflineMapsDialog.h"

#include "AppController.h"
#include "ExportVideoDialog.h"
#include "IncidentExport.h"
#include "AreaFinder.h"
#include "BlurChoice.h"
#include "redact/RedactedVideo.h"
#include "KeyGuide.h"
#include "MarkStore.h"
#include "RedactMenu.h"
#include "OverlayExport.h"
#include "MainWindow.h"
#include "TrackExport.h"
#include "common/AppLinks.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "drive/ClockText.h"
#include "drive/DriveTelemetry.h"
#include "drive/PlayQueue.h"
#include "player/PlayerView.h"
#include "player/VideoPicture.h"
#include "player/MarkGestures.h"
#include "playlist/PlayListView.h"
#include "store/TrackStore.h"
#include "telemetry/CameraClock.h"
#include "telemetry/SideFiles.h"
#include "ui/AppToast.h"
#include "ui/VideoFileDialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimeZone>
#include <QVideoFrame>
#include <QVideoSink>

#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

AppDelegate::AppDelegate(Settings &settings, QObject *parent) : QObject(parent), settings_(settings)
{
    appController_ = new AppController(settings_, this);
    toaster_ = new AppToast(this);
    connect(&settings_, &Settings::speedUnitChanged, this, &AppDelegate::updateCheckMarks);
    connect(&settings_, &Settings::mapProviderChanged, this, &AppDelegate::updateCheckMarks);
    connect(&settings_, &Settings::useOnlineMapsChanged, this, &AppDelegate::updateCheckMarks);
    if (qApp)
        qApp->installEventFilter(this);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::showMessage(const QString &text, float seconds)
{
    toaster_->showToast(text, seconds);
}

PlayerView *AppDelegate::playerView() const { return playerView_; }
PlayListView *AppDelegate::playListView() const { return playListView_; }
MainWindow *AppDelegate::mainWindow() const { return mainWindow_; }
void AppDelegate::setPlayerView(PlayerView *vc)
{
    playerView_ = vc;
    // View ▸ Cameras marks the layout shown, chosen or picked for the count of cameras.
    if (vc)
        connect(vc, &PlayerView::camerasArranged, this, [this](const QString &key) {
            if (!menuBar_)
                return;
            for (QAction *a : menuBar_->findChildren<QAction *>())
                if (a->objectName().startsWith(QLatin1String("cameraLayout_")))
                    a->setChecked(a->objectName() == QLatin1String("cameraLayout_") + key);
        });
}
void AppDelegate::setPlayListView(PlayListView *vc) { playListView_ = vc; }
void AppDelegate::setMainWindow(MainWindow *vc) { mainWindow_ = vc; }
PlayQueue *AppDelegate::queue() const { return queue_; }
DriveTelemetry *AppDelegate::telemetry() const { return telemetry_; }
void AppDelegate::setTelemetry(DriveTelemetry *telemetry) { telemetry_ = telemetry; }
MarkStore *AppDelegate::marks() const { return marks_; }
void AppDelegate::setMarks(MarkStore *marks) { marks_ = marks; }

void AppDelegate::findFacesAndPlates()
{
    PlayerView *player = playerView_;
    if (!player || !marks_ || !player->engine()->isReady())
        return;
    if (player->engine()->isPlaying())
        player->engine()->playOrPause();
    struct Shot {
        QString file;
        double seconds = 0;
        QImage picture;
    };
    QList<Shot> shots;
    MarkGestures *gestures = player->markGestures();
    for (VideoPicture *p : gestures->pictures()) {
        Shot shot{gestures->fileOf(p), p->frameSeconds(), p->videoSink()->videoFrame().toImage()};
        if (!shot.file.isEmpty() && shot.seconds >= 0 && !shot.picture.isNull())
            shots.append(shot);
    }
    showMessage(Localization::text("Looking for faces and number plates…"), 1.0f);
    QtConcurrent::run([shots] {
        QList<AreaFinder::Found> found;
        for (const Shot &s : shots)
            found.append(AreaFinder::find(s.picture));
        return found;
    }).then(this, [this, shots](const QList<AreaFinder::Found> &found) {
        int offered = 0;
        QString failure;
        for (qsizetype i = 0; i < found.size() && i < shots.size() && marks_; ++i) {
            const Shot &s = shots.at(i);
            const AreaFinder::Found &f = found.at(i);
            if (!f.failure.isEmpty())
                failure = f.failure;
            offered += marks_->offer(s.file, MarkKind::Face, s.seconds, f.faces, s.picture.size());
            offered += marks_->offer(s.file, MarkKind::Plate, s.seconds, f.plates, s.picture.size());
        }
        if (!failure.isEmpty() && offered == 0)
            toaster_->replaceToast(Localization::text("Faces and plates cannot be looked for: %1").arg(failure), 4.0f);
        else if (offered == 0)
            toaster_->replaceToast(Localization::text("No faces or number plates found on this frame"), 2.0f);
        else
            toaster_->replaceToast(Localization::text("%1 found: click a dashed box to accept or drop it").arg(offered),
                                   3.0f);
        emit areasFound(offered, failure);
    });
}

void AppDelegate::setQueue(PlayQueue *queue)
{
    if (queue_)
        queue_->disconnect(this);
    queue_ = queue;
    if (queue)
        connect(queue, &PlayQueue::opened, this, &AppDelegate::filesOpened);
}

void AppDelegate::buildMenus(QMenuBar *bar)
{
    menuBar_ = bar;
    menuTexts_.clear();
    auto text = [this](QObject *item, const char *key, char mnemonic = 0) { menuTexts_.append({item, key, mnemonic}); };
    // A command of the player's, whose key the player holds: the menu shows the key.
    auto command = [&](QMenu *menu, const char *key, auto slot, const QKeySequence &shown = {}) {
        QAction *a = menu->addAction(QString(), this, slot);
        menuTexts_.append({a, key, 0, shown});
        return a;
    };
    auto player = [this](void (PlayerView::*slot)()) {
        return [this, slot] {
            if (playerView_)
                (playerView_.data()->*slot)();
        };
    };
    auto action = [&](QMenu *menu, const char *key, auto slot, const QKeySequence &keys = {}) {
        QAction *a = menu->addAction(QString(), this, slot);
        if (!keys.isEmpty())
            a->setShortcut(keys);
        text(a, key);
        return a;
    };

    QMenu *file = bar->addMenu(QString());
    text(file->menuAction(), "menu_file", 'F');
    action(file, "menu_open", &AppDelegate::openFile, QKeySequence::Open);
    action(file, "Open Folder…", &AppDelegate::openFolder, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    action(file, "menu_export_track", &AppDelegate::exportTrack);
    action(file, "Export Incident…", &AppDelegate::exportIncident, QKeySequence(Qt::CTRL | Qt::Key_E));
    QAction *incidentView = action(file, "Cameras' View in Incidents", [] {});
    incidentView->setObjectName(QStringLiteral("incidentView"));
    incidentView->setCheckable(true);
    incidentView->setChecked(settings_.incidentView());
    connect(incidentView, &QAction::toggled, &settings_, &Settings::setIncidentView);
    action(file, "Export Video…", &AppDelegate::exportVideo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    // What an export tells of where the car was, chosen before exporting and remembered.
    QMenu *place = file->addMenu(QString());
    text(place->menuAction(), "Location in Exports");
    auto *places = new QActionGroup(this);
    const auto placeItem = [&](const char *key, const char *location) {
        QAction *a = action(place, key, [this, location] { settings_.setExportLocation(QLatin1String(location)); });
        a->setCheckable(true);
        a->setChecked(settings_.exportLocation() == QLatin1String(location));
        places->addAction(a);
        return a;
    };
    fullLocationItem = placeItem("Full Location", "full");
    coarseLocationItem = placeItem("Coarse Location (about 1 km)", "coarse");
    noLocationItem = placeItem("Without Location", "none");
    action(file, "menu_attach_track", &AppDelegate::attachTrack, QKeySequence(Qt::CTRL | Qt::Key_G));
    file->addSeparator();
    action(file, "menu_preferences", &AppDelegate::showPreferences,
           QKeySequence(Qt::CTRL | Qt::Key_Comma));
    file->addSeparator();
    QAction *quit = action(file, "menu_quit", [] { QApplication::closeAllWindows(); QApplication::quit(); },
                           QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu *setting = bar->addMenu(QString());
    text(setting->menuAction(), "menu_setting", 'S');
    auto *units = new QActionGroup(this);
    spdkmh = action(setting, "menu_kmh", &AppDelegate::kmhspd);
    menuitemmph = action(setting, "menu_mph", &AppDelegate::mphspd);
    for (QAction *a : {spdkmh.data(), menuitemmph.data()}) {
        a->setCheckable(true);
        units->addAction(a);
    }
    setting->addSeparator();
    auto *maps = new QActionGroup(this);
    googleMapsItem = action(setting, "menu_google_map", &AppDelegate::googleAction);
    openstreetItem = action(setting, "menu_openstreetmap", &AppDelegate::openstreetAction);
    for (QAction *a : {googleMapsItem.data(), openstreetItem.data()}) {
        a->setCheckable(true);
        maps->addAction(a);
    }
    action(setting, "Offline Maps…", [this] { OfflineMapsDialog::showDialog(settings_); });
    captionItem = action(setting, "Caption Under Captures", [this] {
        settings_.setCaptureCaption(captionItem && captionItem->isChecked());
    });
    captionItem->setCheckable(true);
    captionItem->setChecked(settings_.captureCaption());
    updateCheckMarks();

    QMenu *view = bar->addMenu(QString());
    text(view->menuAction(), "View", 'V');
    cleanGpsItem = action(view, "Clean GPS Glitches", [this] {
        settings_.setCleanGps(cleanGpsItem && cleanGpsItem->isChecked());
    });
    cleanGpsItem->setCheckable(true);
    cleanGpsItem->setChecked(settings_.cleanGps());
    smoothRouteItem = action(view, "Smooth Route on the Map", [this] {
        settings_.setSmoothRoute(smoothRouteItem && smoothRouteItem->isChecked());
    });
    smoothRouteItem->setCheckable(true);
    smoothRouteItem->setChecked(settings_.smoothRoute());
    // A moment's cameras: how they are laid out, and the rear one as a mirror shows it.
    QMenu *cameras = view->addMenu(QString());
    text(cameras->menuAction(), "Cameras");
    auto *layouts = new QActionGroup(this);
    for (const auto &[key, layout] : {std::pair{"Insets", "insets"}, std::pair{"Side by Side", "side"},
                                      std::pair{"Grid", "grid"}}) {
        QAction *a = action(cameras, key, [this, layout = layout] { settings_.setCameraLayout(QLatin1String(layout)); });
        a->setCheckable(true);
        a->setChecked(settings_.cameraLayout() == QLatin1String(layout));
        a->setObjectName(QStringLiteral("cameraLayout_") + QLatin1String(layout));
        layouts->addAction(a);
        connect(&settings_, &Settings::cameraLayoutChanged, a,
                [a, layout = layout](const QString &chosen) { a->setChecked(chosen == QLatin1String(layout)); });
    }
    cameras->addSeparator();
    QAction *mirror = action(cameras, "Mirror the Rear Camera", [] {});
    mirror->setObjectName(QStringLiteral("mirrorRear"));
    mirror->setCheckable(true);
    mirror->setChecked(settings_.mirrorRear());
    connect(mirror, &QAction::toggled, &settings_, &Settings::setMirrorRear);
    command(view, "Full Screen", [this] { if (mainWindow_) mainWindow_->toggleFullScreen(); },
            QKeySequence(Qt::Key_F11));
    QMenu *times = view->addMenu(QString());
    text(times->menuAction(), "Times");
    auto *clocks = new QActionGroup(this);
    const auto timeItem = [&](const char *key, const char *clock) {
        QAction *a = action(times, key, [this, clock] { settings_.setTimeClock(QLatin1String(clock)); });
        a->setCheckable(true);
        a->setChecked(settings_.timeClock() == QLatin1String(clock));
        clocks->addAction(a);
        return a;
    };
    cameraTimeItem = timeItem("Camera Clock", "camera");
    utcTimeItem = timeItem("UTC", "utc");
    systemTimeItem = timeItem("System Time Zone", "system");
    zoneTimeItem = action(times, "Other Time Zone…", [this] {
        QStringList ids;
        for (const QByteArray &id : QTimeZone::availableTimeZoneIds())
            ids << QString::fromUtf8(id);
        bool ok = false;
        const QString chosen = QInputDialog::getItem(mainWindow_, Localization::text("Other Time Zone…"),
                                                     Localization::text("Time zone:"), ids,
                                                     zoneRow(ids, settings_.timeZone()),
                                                     false, &ok);
        if (ok && !chosen.isEmpty()) {
            settings_.setTimeZone(chosen);
            settings_.setTimeClock(QStringLiteral("zone"));
        }
        // Cancelled: the clock chosen before keeps its mark.
        const QString clock = settings_.timeClock();
        for (const auto &[item, name] : {std::pair{cameraTimeItem, "camera"}, std::pair{utcTimeItem, "utc"},
                                         std::pair{systemTimeItem, "system"}, std::pair{zoneTimeItem, "zone"}})
            if (item)
                item->setChecked(clock == QLatin1String(name));
    });
    zoneTimeItem->setCheckable(true);
    zoneTimeItem->setChecked(settings_.timeClock() == QLatin1String("zone"));
    clocks->addAction(zoneTimeItem);

    QMenu *playback = bar->addMenu(QString());
    text(playback->menuAction(), "Playback", 'P');
    command(playback, "Play/Pause", player(&PlayerView::execPlayOrPause), QKeySequence(Qt::Key_Space));
    command(playback, "player_tip_stop", player(&PlayerView::stopVideo));
    playback->addSeparator();
    command(playback, "Slower", player(&PlayerView::slower), QKeySequence(Qt::Key_BracketLeft));
    command(playback, "Faster", player(&PlayerView::faster), QKeySequence(Qt::Key_BracketRight));
    command(playback, "player_tip_forward", player(&PlayerView::forwardRate));
    command(playback, "player_tip_backward", player(&PlayerView::backwardRate));
    playback->addSeparator();
    command(playback, "Next Frame", player(&PlayerView::stepForward), QKeySequence(Qt::Key_Period));
    command(playback, "Previous Frame", player(&PlayerView::stepBackward), QKeySequence(Qt::Key_Comma));
    const auto seekItem = [&](const char *key, double seconds, const QKeySequence &keys) {
        command(playback, key, [this, seconds] { if (playerView_) playerView_->seekBy(seconds); }, keys);
    };
    seekItem("Forward 5 Seconds", PlayerView::kSeekStep, QKeySequence(Qt::Key_Right));
    seekItem("Back 5 Seconds", -PlayerView::kSeekStep, QKeySequence(Qt::Key_Left));
    seekItem("Forward 1 Minute", PlayerView::kSeekLongStep, QKeySequence(Qt::SHIFT | Qt::Key_Right));
    seekItem("Back 1 Minute", -PlayerView::kSeekLongStep, QKeySequence(Qt::SHIFT | Qt::Key_Left));
    command(playback, "Go to Start", player(&PlayerView::seekToStart), QKeySequence(Qt::Key_Home));
    command(playback, "Go to End", player(&PlayerView::seekToEnd), QKeySequence(Qt::Key_End));
    playback->addSeparator();
    command(playback, "Mark In", player(&PlayerView::markIn), QKeySequence(Qt::Key_I));
    command(playback, "Mark Out", player(&PlayerView::markOut), QKeySequence(Qt::Key_O));
    command(playback, "Next Event", player(&PlayerView::nextEvent), QKeySequence(Qt::Key_PageDown));
    command(playback, "Previous Event", player(&PlayerView::previousEvent), QKeySequence(Qt::Key_PageUp));
    playback->addSeparator();
    telemetryEarlierItem = action(playback, "Telemetry Earlier", [this] { nudgeTelemetry(kTelemetryStepMs); },
                                  QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Left));
    telemetryLaterItem = action(playback, "Telemetry Later", [this] { nudgeTelemetry(-kTelemetryStepMs); },
                                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Right));
    telemetryResetItem = action(playback, "Reset Telemetry Offset", &AppDelegate::resetTelemetryOffset);
    playback->addSeparator();
    QAction *skipStops = action(playback, "Skip Stops", [] {});
    skipStops->setObjectName(QStringLiteral("skipStops"));
    skipStops->setCheckable(true);
    skipStops->setChecked(settings_.skipStops());
    connect(skipStops, &QAction::toggled, &settings_, &Settings::setSkipStops);

    RedactMenu::install(bar, this);
    LibraryMenu::install(bar, this);
    QMenu *help = bar->addMenu(QString());
    text(help->menuAction(), "menu_help", 'H');
    tutorialvideo = action(help, "menu_tutorial", &AppDelegate::watchvideo);
    action(help, "menu_website", &AppDelegate::visitwebsite);
    action(help, "menu_shop", &AppDelegate::visitshop);
    action(help, "Keyboard Shortcuts…", &AppDelegate::showKeyGuide);
    help->addSeparator();
    action(help, "menu_version", &AppDelegate::showversion);
    action(help, "menu_about", &AppDelegate::visitabout);
    action(help, "menu_about_window", [this] { appController_->version(); });
    retranslateMenus();
}

void AppDelegate::nudgeTelemetry(int stepMs)
{
    if (!telemetry_ || telemetry_->cameraPattern().isEmpty())
        return;
    const int ms = telemetry_->offsetMs() + stepMs;
    settings_.setTelemetryOffsetMs(telemetry_->cameraPattern(), ms);
    toaster_->replaceToast(ClockText::telemetryOffset(ms), 1.5f);
}

void AppDelegate::resetTelemetryOffset()
{
    if (!telemetry_ || telemetry_->cameraPattern().isEmpty())
        return;
    settings_.setTelemetryOffsetMs(telemetry_->cameraPattern(), 0);
    toaster_->replaceToast(ClockText::telemetryOffset(0), 1.5f);
}

namespace {

// Asks once about every file of `set` that is there already: true when there is none or
// the user agreed to replace them. `panel` stands in for the dialog in tests.
bool mayReplace(QWidget *parent, const QString &title, const QStringList &set,
                const std::function<bool(const QString &)> &panel)
{
    const QString question = IncidentExport::replaceQuestion(IncidentExport::existing(set));
    if (question.isEmpty())
        return true;
    if (panel)
        return panel(question);
    QMessageBox box(QMessageBox::Warning, title, question, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *replace = box.addButton(Localization::text("Replace"), QMessageBox::DestructiveRole);
    box.setDefaultButton(box.addButton(Localization::text("Cancel"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == replace;
}

// The window an export shows its progress and Cancel in.
QProgressDialog *progressWindow(const QString &text, QWidget *parent)
{
    auto *dialog = new QProgressDialog(text, Localization::text("Cancel"), 0, 100, parent);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setValue(0);
    return dialog;
}

// The progress window gone once its export ended (or with the window, if that closed first).
void closeProgress(QPointer<QProgressDialog> dialog, QObject *job)
{
    if (dialog) {
        dialog->disconnect(job);
        dialog->close();
        dialog->deleteLater();
    }
    job->deleteLater();
}

// "Incident exported." and what the export gave away of the place.
QString exportedText(const char *done, ExportLocation location)
{
    QString text = Localization::text(done);
    if (location != ExportLocation::Full)
        text += QLatin1Char(' ') + Localization::text(location == ExportLocation::None
                                                          ? "It gives no location."
                                                          : "Its positions are rounded to about a kilometre.");
    return text;
}

} // namespace

IncidentExport *AppDelegate::incidentExport() const { return export_; }
OverlayExport *AppDelegate::overlayExport() const { return overlayExport_; }
QProgressDialog *AppDelegate::exportProgress() const { return exportProgress_; }

void AppDelegate::exportIncident()
{
    constexpr float toastSeconds = 2.5f;
    // The cameras' view is as wide as a full HD picture, whatever the window's size.
    constexpr int kIncidentViewWidth = 1920;
    PlayerView *video = playerView_;
    if (export_ && export_->isRunning())
        return;
    const QString source = video ? video->currentFile() : QString();
    if (source.isEmpty()) {
        toaster_->showToast(Localization::text("Open a clip before exporting an incident."), toastSeconds);
        return;
    }
    const MarkedRange range = video->markedRange();
    if (!range.ok) {
        toaster_->showToast(range.message, toastSeconds);
        return;
    }
    // The marked areas of the moment's cameras, blurred when the user keeps it so: asked
    // first, as Export Video's dialog is, then where to write.
    QHash<QString, RedactMarks> redactions;
    int marked = 0;
    if (marksOfClip) {
        QStringList clips{source};
        const ChannelPictures *channels = video->channels();
        for (int i = 0; i < channels->count(); ++i)
            if (!channels->isGap(i))
                clips << channels->file(i);
        for (const QString &clip : std::as_const(clips)) {
            const RedactMarks marks = marksOfClip(clip);
            if (marks.acceptedCount() > 0) {
                redactions.insert(clip, marks);
                marked += marks.acceptedCount();
            }
        }
    }
    std::optional<BlurOptions> blur;
    if (marked > 0) {
        IncidentBlurDialog ask(BlurChoice::fromText(settings_.exportBlur()), mainWindow_);
        const RedactMarks marks = redactions.value(source);
        const double at = range.in;
        ask.previewer = [source, marks, at](const std::optional<BlurOptions> &how) {
            return QtConcurrent::run([source, marks, at, how] {
                const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
                const auto probe = ClipVideo::probe(ffmpeg, source);
                if (!probe)
                    return QImage();
                const qint64 frame = qint64(std::ceil(at * probe->fps() - 1e-6));
                const QImage still = RedactedVideo::frameImage(ffmpeg, source, *probe, frame);
                if (!how || still.isNull())
                    return still;
                return Blur::image(still, marks.blurredAt(probe->timeOf(frame), still.size()),
                                   *how);
            });
        };
        if (!(incidentBlurDialog ? incidentBlurDialog(&ask) : ask.exec() == QDialog::Accepted) || playerView_ != video)
            return;
        settings_.setExportBlur(ask.choice().text());
        blur = ask.blur();
    }
    const QFileInfo info(source);
    const QString suggested = exportSuggestion(
        info, info.completeBaseName() + QStringLiteral("_incident_%1.mp4").arg(qint64(range.in), 4, 10, QLatin1Char('0')));
    // The dialog would ask about the video alone, and about it only as typed: the set is
    // settled first, then one question names every file of it that is there.
    const QString title = Localization::text("Export Incident…");
    const QString chosen = exportPanel ? exportPanel(suggested)
                                       : QFileDialog::getSaveFileName(mainWindow_, title, suggested,
                                                                      QStringLiteral("MP4 (*.mp4)"), nullptr,
                                                                      QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return;
    rememberExportFolder(chosen);
    // The moment's other cameras, each from its file, and the view as the stage shows it.
    QList<IncidentCamera> cameras;
    QList<ViewTile> view;
    const ChannelPictures *channels = video->channels();
    for (int i = 0; i < channels->count(); ++i)
        cameras << IncidentCamera{CaptureText::channelWord(channels->channel(i)),
                                  channels->isGap(i) ? QString() : channels->file(i), 0.0};
    QSize viewSize;
    if (!cameras.isEmpty() && settings_.incidentView()) {
        const QSize stage = channels->stage()->size();
        const double scale = stage.width() > 0 ? double(kIncidentViewWidth) / stage.width() : 0.0;
        viewSize = QSize(kIncidentViewWidth, int(stage.height() * scale));
        for (QWidget *w : channels->shown()) {
            const QRect r = w->geometry();
            ViewTile tile{source, 0.0,
                          QRect(int(r.x() * scale), int(r.y() * scale), int(r.width() * scale), int(r.height() * scale)),
                          false};
            for (int i = 0; i < channels->count(); ++i)
                if (channels->tile(i) == w)
                    tile.source = cameras[i].source;
            if (const auto *picture = qobject_cast<VideoPicture *>(w))
                tile.mirrored = picture->isMirrored();
            view << tile;
        }
    }
    QStringList words;
    for (const IncidentCamera &c : cameras)
        if (!c.source.isEmpty())
            words << c.word;
    const IncidentFiles files = IncidentExport::files(chosen, words, !view.isEmpty());
    const ExportLocation location = IncidentExport::locationOf(settings_.exportLocation());
    if (!mayReplace(mainWindow_, title, files.written(location), replacePanel) || playerView_ != video)
        return;

    auto *job = new IncidentExport(this);
    export_ = job;
    job->redactions = redactions;
    job->blur = blur;
    job->pictureSeconds = video->currentTime();
    job->cameras = cameras;
    job->view = view;
    job->viewSize = viewSize;
    if (telemetry_ && QUrl(telemetry_->clip().path, QUrl::TolerantMode).toLocalFile() == source)
        job->telemetryOffsetMs = telemetry_->offsetMs();
    auto *dialog = progressWindow(Localization::text("Exporting the incident…"), mainWindow_);
    exportProgress_ = dialog;
    connect(job, &IncidentExport::progress, dialog, &QProgressDialog::setValue);
    connect(dialog, &QProgressDialog::canceled, job, &IncidentExport::cancel);
    const QString corrected = range.message;
    // The dialog goes with the window when that closes first.
    connect(job, &IncidentExport::finished, this,
            [this, job, dialog = QPointer<QProgressDialog>(dialog), corrected, location,
             blurred = blur ? marked : 0](bool ok, const QString &message) {
        closeProgress(dialog, job);
        QString done = exportedText("Incident exported.", location);
        if (ok && blurred > 0)
            done += QLatin1Char(' ') + Localization::text("It blurs %1 marked areas.").arg(blurred);
        QString text = ok ? done + (corrected.isEmpty() ? QString() : QLatin1Char(' ') + corrected) : message;
        if (ok && !message.isEmpty())
            text += QLatin1Char(' ') + message;   // the cameras without a recording
        toaster_->showToast(text, toastSeconds);
        emit incidentExported(ok, message);
    });
    const std::shared_ptr<const ClipClock> clock = queue_ ? queue_->currentClock() : nullptr;
    const bool place = location == ExportLocation::Full;
    job->start(source, range.in, range.out, video->duration(), files.video,
               [video, place](const QString &path) { return video->saveCurrentFrame(path, place); },
               clock ? clock->errorMs : std::nullopt, location);
}

void AppDelegate::exportVideo()
{
    constexpr float toastSeconds = 2.5f;
    PlayerView *video = playerView_;
    if (overlayExport_ && overlayExport_->isRunning())
        return;
    const QString source = video ? video->currentFile() : QString();
    if (source.isEmpty() || !telemetry_) {
        toaster_->showToast(Localization::text("Open a clip before exporting a video."), toastSeconds);
        return;
    }
    const MarkedRange range = video->markedRange();
    const ClipTelemetry clip = telemetry_->clip();
    const TripTelemetry trip = telemetry_->trip();
    const double duration = video->duration();
    // The pieces of each choice: the playing clip's (all of it, or between the marks) or
    // every clip of its trip in order.
    auto piecesFor = [source, range, clip, trip, duration](ExportVideoDialog::Scope scope) {
        QList<OverlayPiece> pieces;
        if (scope == ExportVideoDialog::Scope::Trip) {
            for (const ClipTelemetry &c : trip.clips) {
                const QString file = QUrl(c.path, QUrl::TolerantMode).toLocalFile();
                const double length = file == source ? duration : c.seconds();
                if (!file.isEmpty() && length > 0)
                    pieces << OverlayPiece{file, c, length, 0, length, c.clock};
            }
        } else {
            const bool segment = scope == ExportVideoDialog::Scope::Segment && range.ok;
            pieces << OverlayPiece{source, clip, duration, segment ? range.in : 0, segment ? range.out : duration,
                                   clip.clock};
        }
        return pieces;
    };
    const MapSnapshot::Tiles tiles = mapTiles ? mapTiles() : MapSnapshot::Tiles();
    // The marked areas of the clips the export may take (the trip's every clip).
    QHash<QString, RedactMarks> redactions;
    int marked = 0;
    if (marksOfClip) {
        QStringList files{source};
        for (const ClipTelemetry &c : trip.clips)
            files << QUrl(c.path, QUrl::TolerantMode).toLocalFile();
        files.removeDuplicates();
        for (const QString &file : std::as_const(files)) {
            const RedactMarks marks = file.isEmpty() ? RedactMarks() : marksOfClip(file);
            if (marks.acceptedCount() > 0) {
                redactions.insert(file, marks);
                marked += marks.acceptedCount();
            }
        }
    }
    auto withSettings = [this, redactions](OverlayOptions o) {
        o.kmph = settings_.kmph();
        o.clock = TimeChoice::of(settings_.timeClock(), settings_.timeZone().toUtf8());
        o.redactions = redactions;
        return o;
    };

    ExportVideoDialog dialog(range.ok, trip.clips.size() > 1,
                             IncidentExport::locationOf(settings_.exportLocation()), mainWindow_);
    dialog.previewer = [piecesFor, tiles, withSettings, &dialog](ExportVideoDialog::Scope scope,
                                                                  const OverlayOptions &options) {
        return OverlayExport().previewLater(piecesFor(scope), withSettings(options), tiles, &dialog);
    };
    dialog.setChoice(settings_.overlayChoice());
    dialog.setBlurChoice(BlurChoice::fromText(settings_.exportBlur()));
    dialog.setMarks(marked);
    if (!(exportVideoDialog ? exportVideoDialog(&dialog) : dialog.exec() == QDialog::Accepted))
        return;
    settings_.setOverlayChoice(dialog.choice());
    if (marked > 0)
        settings_.setExportBlur(dialog.blurChoice().text());
    const OverlayOptions options = withSettings(dialog.options());
    const QList<OverlayPiece> pieces = piecesFor(dialog.scope());

    const QFileInfo info(source);
    const QString suggested = exportSuggestion(
        info, info.completeBaseName() + (options.alphaOnly ? QStringLiteral("_overlay.mov") : QStringLiteral("_telemetry.mp4")));
    const QString title = Localization::text("Export Video…");
    const QString chosen =
        exportPanel ? exportPanel(suggested)
                    : QFileDialog::getSaveFileName(mainWindow_, title, suggested,
                                                   options.alphaOnly ? QStringLiteral("QuickTime (*.mov)")
                                                                     : QStringLiteral("MP4 (*.mp4)"),
                                                   nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return;
    rememberExportFolder(chosen);
    const QString target = OverlayExport::target(chosen, options.alphaOnly);
    if (!mayReplace(mainWindow_, title, {target}, replacePanel) || playerView_ != video)
        return;

    auto *job = new OverlayExport(this);
    overlayExport_ = job;
    auto *progress = progressWindow(Localization::text("Exporting the video…"), mainWindow_);
    exportProgress_ = progress;
    connect(job, &OverlayExport::progress, progress, &QProgressDialog::setValue);
    connect(progress, &QProgressDialog::canceled, job, &OverlayExport::cancel);
    const ExportLocation location = options.location;
    connect(job, &OverlayExport::finished, this,
            [this, job, progress = QPointer<QProgressDialog>(progress), location](bool ok, const QString &message) {
        closeProgress(progress, job);
        toaster_->showToast(ok ? exportedText("Video exported.", location) : message, toastSeconds);
        emit videoExported(ok, message);
    });
    job->start(pieces, options, target, tiles);
}

void AppDelegate::retranslateMenus()
{
    for (const MenuText &t : std::as_const(menuTexts_)) {
        if (auto *a = qobject_cast<QAction *>(t.item.data())) {
            const QString shown = Localization::text(t.key);
            a->setText(t.mnemonic ? KeyGuide::withMnemonic(shown, QLatin1Char(t.mnemonic))
                                  : KeyGuide::withKeys(shown, t.shown));
        }
    }
}

void AppDelegate::showKeyGuide()
{
    KeyGuide::show(menuBar_, mainWindow_);
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp && event->type() == QEvent::LanguageChange)
        retranslateMenus();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::finishStartup()
{
    TrackStore::clearPlayList();
    if (queue_)
        queue_->reload();

    // Both settings (normalised when the settings were read) are chosen again, which
    // announces them; the check marks and the panes follow the announcements, as they
    // do for a change from any other place.
    settings_.setKmph(settings_.kmph());
    settings_.setGoogleMap(settings_.googleMap());
}

void AppDelegate::openFile()
{
    QList<QUrl> urls;
    if (openPanel) {
        urls = openPanel();
    } else {
        urls = VideoFileDialog::chooseFiles(mainWindow());
    }
    if (urls.isEmpty())
        return;   // cancelled: the current file keeps playing
    openUrls(urls);
}

int AppDelegate::zoneRow(const QStringList &ids, const QString &chosen)
{
    // The zone chosen before, else the system's own, else the first.
    qsizetype row = ids.indexOf(chosen);
    if (row < 0)
        row = ids.indexOf(QString::fromUtf8(QTimeZone::systemTimeZoneId()));
    return int(std::max<qsizetype>(0, row));
}

QString AppDelegate::exportSuggestion(const QFileInfo &clip, const QString &name) const
{
    // Where the last export went, while it is there; else beside the clip.
    const QString last = settings_.exportFolder();
    return QDir(!last.isEmpty() && QFileInfo(last).isDir() ? last : clip.absolutePath()).filePath(name);
}

void AppDelegate::rememberExportFolder(const QString &chosenFile)
{
    settings_.setExportFolder(QFileInfo(chosenFile).absolutePath());
}

void AppDelegate::openFolder()
{
    const QString folder = openFolderPanel
                               ? openFolderPanel()
                               : QFileDialog::getExistingDirectory(mainWindow(), Localization::text("Open Folder…"),
                                                                   QDir::homePath());
    if (!folder.isEmpty())
        openUrls({QUrl::fromLocalFile(folder)});
}

void AppDelegate::exportTrack()
{
    const QList<QUrl> clips = playListView_ ? playListView_->exportClips() : QList<QUrl>();
    const qint64 tripGapMs = queue_ ? queue_->tripGapMs() : 0;
    if (clips.isEmpty()) {
        toaster_->showToast(Localization::text("export_nothing"), 0.8f);
        return;
    }
    // As for the incident: the suffix is settled before anyone is asked about the file.
    const QString title = Localization::text("menu_export_track");
    QString fileName, filter;
    if (trackExportPanel)
        fileName = trackExportPanel();
    else
        fileName = QFileDialog::getSaveFileName(mainWindow(), title,
                                                QDir(settings_.exportFolder().isEmpty() || !QFileInfo(settings_.exportFolder()).isDir()
                                                         ? QDir::homePath()
                                                         : settings_.exportFolder())
                                                    .filePath(QStringLiteral("track.gpx")),
                                                QStringLiteral("GPX (*.gpx);;KML (*.kml);;CSV (*.csv)"), &filter,
                                                QFileDialog::DontConfirmOverwrite);
    if (fileName.isEmpty())
        return;
    fileName = TrackExport::settledName(fileName, filter);
    rememberExportFolder(fileName);
    if (!mayReplace(mainWindow(), title, {fileName}, replacePanel))
        return;
    QPointer<AppDelegate> self(this);
    TrackExport::exportTo(fileName, clips, tripGapMs, [self, fileName](const QString &error) {
        if (!self)
            return;
        // The outcome is news: it replaces a message on screen, and stays long enough to read the path.
        self->toaster_->replaceToast(error.isEmpty() ? Localization::text("Track exported to %1").arg(QDir::toNativeSeparators(fileName))
                                                     : Localization::text("export_failed").arg(error), 3.0f);
        emit self->trackExported(error);
    });
}

void AppDelegate::attachTrack()
{
    const auto tell = [this](const QString &message) {
        toaster_->showToast(message, 2.5f);
        emit trackAttached(message);
    };
    if (!queue_ || !queue_->current()) {
        tell(Localization::text("attach_no_clip"));
        return;
    }
    const QString title = Localization::text("menu_attach_track");
    QString path;
    if (attachTrackPanel)
        path = attachTrackPanel();
    else
        path = QFileDialog::getOpenFileName(mainWindow(), title, QDir::homePath(),
                                            QStringLiteral("GPX (*.gpx *.GPX)"));
    if (path.isEmpty())
        return;
    bool wholeTrip = false;
    if (queue_->rowsOfCurrentTrip().size() > 1) {
        if (attachWholeTripPanel) {
            wholeTrip = attachWholeTripPanel();
        } else {
            QMessageBox box(QMessageBox::Question, title, Localization::text("attach_which_clips"),
                            QMessageBox::NoButton, mainWindow());
            QPushButton *trip = box.addButton(Localization::text("attach_whole_trip"), QMessageBox::AcceptRole);
            box.addButton(Localization::text("attach_this_clip"), QMessageBox::AcceptRole);
            QPushButton *cancel = box.addButton(QMessageBox::Cancel);
            box.setDefaultButton(trip);
            box.exec();
            if (box.clickedButton() == cancel)
                return;
            wholeTrip = box.clickedButton() == trip;
        }
    }
    // A large GPX takes a moment to read: on a worker thread, and the samples are
    // given to the clips back here.
    QtConcurrent::run([path] {
        auto track = std::make_shared<GpxTrack>();
        return track->load(path.toStdString()) ? track : std::shared_ptr<GpxTrack>();
    }).then(this, [this, path, wholeTrip, tell](const std::shared_ptr<GpxTrack> &track) {
        if (queue_)
            tellAttached(queue_->attachTrack(track.get(), path, wholeTrip), QFileInfo(path).fileName(), tell);
    });
}

void AppDelegate::tellAttached(const TrackAttachment &done, const QString &name,
                               const std::function<void(const QString &)> &tell)
{
    switch (done.outcome) {
    case TrackAttachment::Attached:
        tell(Localization::text("attach_done").arg(done.clips));
        break;
    case TrackAttachment::Unreadable:
        tell(Localization::text("attach_unreadable").arg(name));
        break;
    case TrackAttachment::NotCovered:
        tell(Localization::text("attach_not_covered").arg(name));
        break;
    case TrackAttachment::HaveTheirOwn:
        tell(Localization::text("attach_have_their_own"));
        break;
    case TrackAttachment::NoClip:
        tell(Localization::text("attach_no_clip"));
        break;
    }
}

void AppDelegate::openUrls(const QList<QUrl> &urls, double startAt)
{
    if (queue_)
        queue_->open(urls, OpenOptions{startAt});
}

void AppDelegate::showPreferences()
{
    appController_->showPreferencePanel();
}

PreferencesWindow *AppDelegate::preferenceController() const
{
    return appController_->preferenceController();
}

void AppDelegate::mphspd()
{
    settings_.setKmph(false);
}

void AppDelegate::kmhspd()
{
    settings_.setKmph(true);
}

void AppDelegate::googleAction()
{
    settings_.setGoogleMap(true);
}

void AppDelegate::openstreetAction()
{
    settings_.setGoogleMap(false);
}

void AppDelegate::updateCheckMarks()
{
    const bool mph = !settings_.kmph();
    if (menuitemmph) menuitemmph->setChecked(mph);
    if (spdkmh) spdkmh->setChecked(!mph);
    // Without online maps the map shown is OpenStreetMap drawn from offline tiles, whatever
    // was chosen: the tick says so, and Google Maps, which only exists online, waits.
    const bool online = settings_.useOnlineMaps();
    const bool google = online && settings_.googleMap();
    if (googleMapsItem) {
        googleMapsItem->setChecked(google);
        googleMapsItem->setEnabled(online);
    }
    if (openstreetItem) openstreetItem->setChecked(!google);
}

void AppDelegate::showversion()
{
    QMessageBox box(QMessageBox::NoIcon, Localization::text("CFBundleDisplayName", "InfoPlist"),
                    QStringLiteral("%1\n%2").arg(Localization::text("CFBundleDisplayName", "InfoPlist"),
                                                 Localization::text("Version %1").arg(QStringLiteral(VELTRA_VERSION))),
                    QMessageBox::Ok, mainWindow_);
    box.setObjectName(QStringLiteral("versionBox"));
    if (versionPanel)
        versionPanel(box.windowTitle(), box.text());
    else
        box.exec();
}

// The program's one About window (its name, version and licence), from either item.
void AppDelegate::visitabout()
{
    appController_->version();
}

// A link the desktop cannot open (no browser, no handler) says so instead of nothing.
void AppDelegate::openLink(const QUrl &url)
{
    if (!QDesktopServices::openUrl(url))
        toaster_->showToast(Localization::text("%1 could not be opened: this desktop has no program for it.")
                                .arg(url.toDisplayString(QUrl::PreferLocalFile)),
                            2.5f);
}

void AppDelegate::watchvideo() { openLink(AppLinks::userGuide()); }
void AppDelegate::visitwebsite() { openLink(AppLinks::website()); }
void AppDelegate::visitshop() { openLink(AppLinks::shop()); }
