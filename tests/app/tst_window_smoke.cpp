// The real window starts on the test machine's X server and shows what a user first
// sees: the menus, the five panes, an empty play list.
#include "TestSettings.h"
#include "WindowTestMain.h"
#include "app/AppDelegate.h"
#include "app/PaneLayout.h"
#include "app/MainWindow.h"
#include "app/PreferencesWindow.h"
#include "ui/AboutWindowView.h"
#include "ui/ToastWindow.h"
#include "ui/AppToast.h"
#include "common/Localization.h"
#include "instruments/InstrumentPanel.h"
#include "instruments/PositionCompassPanel.h"
#include "map/MapPane.h"
#include "map/Reachability.h"
#include "player/PlayerView.h"
#include "playlist/PlayListModel.h"
#include "playlist/PlayListView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

class WindowSmokeTest : public QObject {
    Q_OBJECT

    TestSettings settings;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindow> window;

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Localization::install(QStringLiteral("en"));
        delegate = std::make_unique<AppDelegate>(settings);
        window = std::make_unique<MainWindow>(*delegate);
        window->show();
        delegate->finishStartup();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanupTestCase()
    {
        window.reset();
        delegate.reset();
    }

    void windowIsViewableOnTheXServer()
    {
        QProcess info;
        info.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window->winId())});
        QVERIFY(info.waitForFinished(10000));
        const QString out = QString::fromLocal8Bit(info.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("Map State: IsViewable")), qPrintable(out));
    }

    void menusAreShown()
    {
        QMenuBar *bar = window->menuBar();
        QVERIFY(bar->isVisible() && bar->height() > 0);
        QStringList titles;
        for (QAction *a : bar->actions())
            titles << a->text();
        // Each with its Alt+letter.
        QCOMPARE(titles, QStringList({"&File", "&Setting", "&View", "&Playback", "&Redact", "&Library", "&Help"}));
    }

    void fivePanesAndAnEmptyPlayList()
    {
        PaneLayout *layout = window->paneLayout();
        const QList<QWidget *> panes{layout->playerView, layout->instrumentPanel, layout->mapPane, layout->playListView,
                                     layout->playListView->gpsPanel};
        for (QWidget *pane : panes) {
            QVERIFY2(pane->isVisible() && !pane->size().isEmpty(),
                     qPrintable(QStringLiteral("%1 %2x%3").arg(pane->metaObject()->className())
                                    .arg(pane->width()).arg(pane->height())));
        }
        QCOMPARE(layout->playListView->model()->rowCount(), 0);
        // Every widget the window makes belongs to it: no panel is made and kept aside.
        QStringList aside;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != window.get() && !w->parentWidget() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
                aside << QString::fromLatin1(w->metaObject()->className());
        QVERIFY2(aside.isEmpty(), qPrintable(aside.join(QLatin1Char(' '))));
    }

    // Help ▸ About Veltra Player and About Window open the one About window, with the
    // version and the licence; Help ▸ Version's box has the program's name as its title.
    void helpTellsWhatTheProgramIs()
    {
        QMenu *help = window->menuBar()->actions().constLast()->menu();
        QVERIFY(help);
        const auto item = [&](const QString &text) -> QAction * {
            for (QAction *a : help->actions())
                if (a->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')) == text)
                    return a;
            return nullptr;
        };
        for (const QString &text : {QStringLiteral("About Veltra Player"), QStringLiteral("About Window")}) {
            QAction *a = item(text);
            QVERIFY2(a, qPrintable(text));
            a->trigger();
            const auto shownAbouts = [] {
                QList<AboutWindowView *> out;
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (auto *v = qobject_cast<AboutWindowView *>(w); v && v->isVisible())
                        out << v;
                return out;
            };
            QTRY_COMPARE(shownAbouts().size(), 1);
            AboutWindowView *v = shownAbouts().first();
            QVERIFY(v->licence->toPlainText().startsWith(QStringLiteral("MIT License")));
            QVERIFY(v->licence->toPlainText().contains(QStringLiteral("Permission is hereby granted")));
            QVERIFY(v->shouVersion->text().endsWith(QStringLiteral(VELTRA_VERSION)));
            if (const QString shots = qEnvironmentVariable("VELTRA_SHOTS"); !shots.isEmpty())
                v->grab().save(shots + QStringLiteral("/about_window.png"));
            v->close();
        }
        QString title, text;
        delegate->versionPanel = [&](const QString &t, const QString &x) { title = t; text = x; };
        item(QStringLiteral("Version"))->trigger();
        QCOMPARE(title, QStringLiteral("Veltra Player"));
        QCOMPARE(text, QStringLiteral("Veltra Player\nVersion " VELTRA_VERSION));
    }

    // File ▸ Preferences opens over the window, and Close or Escape closes it.
    void preferencesOpenOverTheWindowAndClose()
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        delegate->showPreferences();
        PreferencesWindow *prefs = delegate->preferenceController();
        QVERIFY(prefs);
        QTRY_VERIFY(prefs->isVisible());
        const QPoint off = prefs->frameGeometry().center() - window->frameGeometry().center();
        QVERIFY2(off.manhattanLength() < 60, qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
        QCOMPARE(prefs->closeButton->text(), QStringLiteral("Close"));
        // The Google Maps key is typed here and kept, trimmed.
        QVERIFY(prefs->googleKeyEdit->text().isEmpty());
        prefs->googleKeyEdit->setFocus();
        QTest::keyClicks(prefs->googleKeyEdit, QStringLiteral(" my-key "));
        QTest::keyClick(prefs->googleKeyEdit, Qt::Key_Return);
        QCOMPARE(delegate->settings().googleMapsApiKey(), QStringLiteral("my-key"));
        delegate->settings().setGoogleMapsApiKey(QString());
        QCOMPARE(prefs->googleKeyEdit->text(), QString());
        QTest::mouseClick(prefs->closeButton, Qt::LeftButton);
        QTRY_VERIFY(!prefs->isVisible());
        delegate->showPreferences();
        QTRY_VERIFY(prefs->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(prefs));
        QTest::keyClick(prefs, Qt::Key_Escape);
        QTRY_VERIFY(!prefs->isVisible());
    }

    // A link the desktop has no program for says so in a toast: from the Help menu, and
    // from the player's own help overlay and pictures' folder button.
    void aLinkThatCannotOpenSaysSo()
    {
        const QByteArray path = qgetenv("PATH");
        PlayerView *video = window->paneLayout()->playerView;
        for (const auto &open : std::initializer_list<std::function<void()>>{
                 [&] { delegate->visitwebsite(); }, [&] { video->findChild<QPushButton *>(QStringLiteral("helpVideo"))->click(); },
                 [&] { video->findChild<QToolButton *>(QStringLiteral("lookPictureButton"))->click(); }}) {
            if (ToastWindow *shown = delegate->toaster()->currentToast())
                shown->close();
            QTRY_VERIFY(!delegate->toaster()->currentToast());
            qputenv("PATH", "/nonexistent");
            open();
            qputenv("PATH", path);
            QTRY_VERIFY(delegate->toaster()->currentToast());
            QVERIFY2(delegate->toaster()->currentToast()->text().contains(QStringLiteral("could not be opened")),
                     qPrintable(delegate->toaster()->currentToast()->text()));
        }
    }
};

VELTRA_WINDOW_TEST_MAIN(WindowSmokeTest)

#include "tst_window_smoke.moc"
