// Toasts (one at a time, fade, close after the duration, their text as written) and the
// About window.
#include "ui/AboutWindowView.h"
#include "ui/AppToast.h"
#include "ui/ToastWindow.h"
#include "common/Localization.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class AppToastTest : public QObject {
    Q_OBJECT
    AppToast toaster;

private slots:
    void laterRequestsAreDroppedUntilTheToastCloses()
    {
        QVERIFY(!toaster.winlock());
        toaster.showToast("first", 2.0f);
        QPointer<ToastWindow> first = toaster.currentToast();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->textLabel->text(), QString("first"));
        QVERIFY(toaster.winlock());
        auto *timer = first->findChild<QTimer *>("closeTimer");
        QVERIFY(timer && timer->isActive() && timer->isSingleShot());
        QCOMPARE(timer->interval(), 2000);
        QSignalSpy fired(timer, &QTimer::timeout);

        toaster.showToast("second", 0.8f);
        QCOMPARE(toaster.currentToast(), first.data());
        QCOMPARE(first->text(), QString("first"));

        // While its timer runs the window fades.
        QVERIFY(QTest::qWaitFor([&] { return first.isNull() || first->windowOpacity() < 0.9; }, 5000));
        QVERIFY(first);
        QVERIFY(fired.isEmpty());
        const qreal mid = first->windowOpacity();
        QVERIFY2(mid < 0.9 && mid > 0.1, qPrintable(QString::number(mid)));

        // It closes when its timer fires, not before.
        QVERIFY(QTest::qWaitFor([&] { return !toaster.winlock(); }, 5000));
        QCOMPARE(fired.size(), 1);
        QVERIFY(QTest::qWaitFor([&] { return first.isNull() || !first->isVisible(); }, 1000));
        QCOMPARE(toaster.currentToast(), nullptr);

        toaster.showToast("third", 0.8f);
        QVERIFY(toaster.currentToast());
        QCOMPARE(toaster.currentToast()->text(), QString("third"));
        QVERIFY(QTest::qWaitFor([&] { return !toaster.winlock(); }, 3000));
    }

    void toastClosedAnotherWayLetsTheNextOneShow()
    {
        // Closed by the window manager or the program: the toast is deleted and the lock lifted.
        toaster.showToast("closed", 30.0f);
        QPointer<ToastWindow> closed = toaster.currentToast();
        QVERIFY(closed);
        closed->close();
        QVERIFY(!toaster.winlock());
        QVERIFY(QTest::qWaitFor([&] { return closed.isNull(); }, 3000));

        toaster.showToast("deleted", 30.0f);
        QVERIFY(toaster.currentToast());
        QCOMPARE(toaster.currentToast()->text(), QString("deleted"));
        delete toaster.currentToast();
        QVERIFY(!toaster.winlock());
        QCOMPARE(toaster.currentToast(), nullptr);

        toaster.showToast("all windows closed", 30.0f);
        QCOMPARE(toaster.currentToast()->text(), QString("all windows closed"));
        QApplication::closeAllWindows();
        QVERIFY(!toaster.winlock());

        toaster.showToast("shown again", 0.2f);
        QVERIFY(toaster.currentToast());
        QCOMPARE(toaster.currentToast()->text(), QString("shown again"));
        QVERIFY(QTest::qWaitFor([&] { return !toaster.winlock(); }, 3000));

        // A toaster that goes takes its toast with it.
        QPointer<ToastWindow> orphan;
        {
            AppToast gone;
            gone.showToast("going", 30.0f);
            orphan = gone.currentToast();
            QVERIFY(orphan);
        }
        QVERIFY(QTest::qWaitFor([&] { return orphan.isNull(); }, 3000));
    }

    void toastDoesNotTakeFocus()
    {
        QWidget main;
        main.resize(400, 300);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        toaster.showToast("2x", 0.8f);
        ToastWindow *toast = toaster.currentToast();
        QVERIFY(toast);
        QVERIFY(QTest::qWaitForWindowExposed(toast));
        QCOMPARE(QApplication::activeWindow(), &main);
        // Centred horizontally over the active window.
        const int centre = toast->geometry().center().x();
        QVERIFY(std::abs(centre - main.geometry().center().x()) <= 2);
        QVERIFY(QTest::qWaitFor([&] { return !toaster.winlock(); }, 3000));
    }

    // A message longer than the window is wrapped within it, a long path too, and keeps
    // every character.
    void longTextIsWrappedWithinTheWindow()
    {
        QWidget main;
        main.resize(600, 400);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QString text = QStringLiteral("4 pictures saved in /home/driver/Pictures/vistrel/a/very/long/folder/"
                                            "name/that/goes/on/2026-11-08_09-30-35 and the rear camera differs from "
                                            "the main picture: 25 fps, 320x240, H.264 against 30 fps");
        ToastWindow toast(text);
        toast.showCentred(&main);
        QVERIFY(QTest::qWaitForWindowExposed(&toast));
        QVERIFY2(toast.width() <= main.width(), qPrintable(QString::number(toast.width())));
        QVERIFY(toast.textLabel->wordWrap());
        QVERIFY(toast.height() >= 2 * toast.textLabel->fontMetrics().height());
        QString shown = toast.textLabel->text();
        QCOMPARE(shown.remove(QChar(0x200B)), text);
        QCOMPARE(toast.text(), text);
    }

    // A file name or a caller's text is shown as it is written, never as markup.
    void textIsShownAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("plain") << "clip 001.MOV";
        QTest::addRow("a tag") << "<b>clip</b> 001.MOV";
        QTest::addRow("a picture") << "no such file: /tmp/<img src=\"missing.png\" width=\"900\">.MOV";
        QTest::addRow("an entity") << "&lt;clip&gt;.MOV";
    }
    void textIsShownAsWritten()
    {
        QFETCH(QString, text);
        ToastWindow toast(text);
        QCOMPARE(toast.textLabel->text(), text);
        // As wide as the characters written, give or take the label's rounding.
        const int written = toast.textLabel->fontMetrics().horizontalAdvance(text);
        QVERIFY2(std::abs(toast.textLabel->sizeHint().width() - written) <= 4,
                 qPrintable(QStringLiteral("%1 px for %2 px of text").arg(toast.textLabel->sizeHint().width()).arg(written)));
    }

    void versionText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("label");
        QTest::addRow("2.1") << "2.1" << "Veltra Player:MPH&KMH Version 2.1";
        QTest::addRow("three parts") << "1.0.0" << "Veltra Player:MPH&KMH Version 1.0.0";
        QTest::addRow("empty") << "" << "Veltra Player:MPH&KMH Version ";
    }
    void versionText()
    {
        QFETCH(QString, version);
        QFETCH(QString, label);
        QCOMPARE(AboutWindowView::versionText(version), label);
    }

    void aboutWindowIsBlackWithTitleAndVersion()
    {
        AboutWindowView about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.windowTitle(), Localization::text("About"));
        QCOMPARE(about.shouVersion->text(), AboutWindowView::versionText(VELTRA_VERSION));
        QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
        const QImage img = about.grab().toImage();
        QCOMPARE(img.pixelColor(3, 3), QColor(Qt::black));
        QCOMPARE(img.pixelColor(img.width() - 3, img.height() - 3), QColor(Qt::black));
    }
};

QTEST_MAIN(AppToastTest)
#include "tst_apptoast.moc"
