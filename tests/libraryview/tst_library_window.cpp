// The Library window over libraries that cannot be used as they are: a damaged file (put
// aside, the window says so and takes a folder), one from a newer version (left as it is,
// the window says so, Add Folder changes nothing); and the summary of an indexing as rows.
#include "library/LibraryController.h"
#include "library/LibraryDatabase.h"
#include "libraryview/LibraryWindow.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void setVersion(const QString &path, int version)
{
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(path);
        QVERIFY(raw.open());
        QVERIFY(QSqlQuery(raw).exec(QStringLiteral("PRAGMA user_version = %1").arg(version)));
        raw.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

} // namespace

class LibraryWindowTest : public QObject {
    Q_OBJECT
private slots:
    void badLibraries_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("folderTaken");
        QTest::newRow("damaged") << "damaged" << "The library file was damaged. It was put aside as %1" << true;
        QTest::newRow("newer") << "newer" << "This library was made by a newer version of Veltra Player" << false;
    }
    void badLibraries()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(bool, folderTaken);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("library.sqlite"));
        if (kind == QLatin1String("damaged")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(8192, 'x'));
        } else {
            {
                LibraryDatabase db;
                QVERIFY(db.open(path));
            }
            setVersion(path, LibraryDatabase::kSchemaVersion + 5);
        }
        const QByteArray before = contents(path);

        LibraryController library(path);
        LibraryWindow window(library, [] { return true; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString expected = message.contains(QLatin1String("%1"))
                                     ? message.arg(path + QStringLiteral(".damaged"))
                                     : message;
        QVERIFY2(window.statusLabel()->text().startsWith(expected), qPrintable(window.statusLabel()->text()));
        QCOMPARE(window.tripList()->topLevelItemCount(), 0);

        // Add Folder…: taken by a library made again, refused (and the file untouched) by the others.
        QTemporaryDir clips;
        window.folderPanel = [&clips] { return clips.path(); };
        QSignalSpy finished(&library, &LibraryController::indexingFinished);
        window.addFolder();
        if (folderTaken) {
            QVERIFY(finished.wait(20000));
            QCOMPARE(library.folders(), QStringList{clips.path()});
            QVERIFY(QFile::exists(path + QStringLiteral(".damaged")));
        } else {
            QTest::qWait(200);
            QCOMPARE(finished.count(), 0);
            QVERIFY(!window.statusLabel()->text().isEmpty());
            QCOMPARE(contents(path), before);
        }
    }

    void summary_data()
    {
        QTest::addColumn<QList<qulonglong>>("counts");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QString>("text");
        QTest::newRow("first pass") << QList<qulonglong>{12, 12, 0, 0, 0, 0, 0} << false
                                    << "12 clips in the library folders (12 read, 0 moved, 0 removed, 0 unchanged)";
        QTest::newRow("skips and a folder not there")
            << QList<qulonglong>{9, 1, 2, 3, 3, 4, 1} << false
            << "9 clips in the library folders (1 read, 2 moved, 3 removed, 3 unchanged), 4 skipped, 1 folders not there";
        QTest::newRow("cancelled") << QList<qulonglong>{5, 2, 0, 0, 0, 0, 0} << true
                                   << "5 clips in the library folders (2 read, 0 moved, 0 removed, 0 unchanged), cancelled";
        QTest::newRow("too few figures") << QList<qulonglong>{3} << false
                                         << "3 clips in the library folders (0 read, 0 moved, 0 removed, 0 unchanged)";
    }
    void summary()
    {
        QFETCH(QList<qulonglong>, counts);
        QFETCH(bool, cancelled);
        QFETCH(QString, text);
        QCOMPARE(LibraryWindow::summaryText(counts, cancelled), text);
    }
};

QTEST_MAIN(LibraryWindowTest)
#include "tst_library_window.moc"
