// Writing a file so that a failure is said and the old file stays: a disk that fills
// (a size limit on what the process writes, and a small tmpfs where one can be
// mounted), a folder in the way, a link followed.
#include "common/SafeFile.h"
#include "../support/FullDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT
private slots:
    void replaceKeepsTheOldFileOnFailure_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ok");
        QTest::newRow("written") << "" << true;
        QTest::newRow("the disk fills half-way") << "full" << false;
        QTest::newRow("a folder by that name") << "folder" << false;
        QTest::newRow("through a link: the file it points to") << "link" << true;
    }
    void replaceKeepsTheOldFileOnFailure()
    {
        QFETCH(QString, how);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("playlist.dat"));
        QString name = target;
        if (how == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("playlist.dat")));
        } else {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        }
        if (how == QLatin1String("link")) {
            name = dir.filePath(QStringLiteral("link.dat"));
            QVERIFY(QFile::link(target, name));
        }
        const QByteArray bytes(256 * 1024, 'x');
        QString reason;
        bool written;
        {
            std::optional<FileSizeLimit> full;
            if (how == QLatin1String("full"))
                full.emplace(64 * 1024);
            written = SafeFile::replace(name, bytes, &reason);
        }
        QCOMPARE(written, ok);
        QCOMPARE(reason.isEmpty(), ok);
        if (how != QLatin1String("folder"))
            QVERIFY(contents(target) == (ok ? bytes : QByteArray("old")));
        QCOMPARE(entries(dir.path()).size(), how == QLatin1String("link") ? 2 : 1);   // nothing left behind
        QVERIFY(QFileInfo(name).isSymLink() == (how == QLatin1String("link")));
    }

    // A real file system that is full, where this machine lets the test mount one.
    void aFullTmpfs()
    {
        QTemporaryDir dir;
        const QString mount = dir.filePath(QStringLiteral("small"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("small")));
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                        QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mount}) != 0)
            QSKIP("no tmpfs can be mounted here; the size limit above stands for a full disk");
        const QString target = mount + QStringLiteral("/track.gpx");
        QVERIFY(SafeFile::replace(target, QByteArray(1000, 'a')));
        QString reason;
        QVERIFY(!SafeFile::replace(target, QByteArray(200 * 1024, 'b'), &reason));
        QVERIFY(!SafeFile::create(mount + QStringLiteral("/new.gpx"), QByteArray(200 * 1024, 'c')));
        const QByteArray kept = contents(target);
        const QStringList left = entries(mount);
        QProcess::execute(QStringLiteral("umount"), {mount});
        QVERIFY2(!reason.isEmpty(), "a full disk is said");
        QVERIFY(kept == QByteArray(1000, 'a'));
        QCOMPARE(left, QStringList{"track.gpx"});
    }

    void createWritesANewFileOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("manifest.json"));
        QVERIFY(SafeFile::create(path, "{}"));
        QVERIFY(!SafeFile::create(path, "again"));   // never over a file there
        QVERIFY(contents(path) == "{}");
        {
            FileSizeLimit full(10);
            QVERIFY(!SafeFile::create(dir.filePath(QStringLiteral("big.json")), QByteArray(100, 'x')));
        }
        QCOMPARE(entries(dir.path()), QStringList{"manifest.json"});
        QVERIFY(SafeFile::sync(path));
        QVERIFY(!SafeFile::sync(dir.filePath(QStringLiteral("missing"))));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safe_file.moc"
