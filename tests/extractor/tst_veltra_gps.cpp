// The built veltra-gps, run as a user runs it: exit codes, messages, output order,
// the output file, and the telemetry of the forged samples in every format.
#include "XmlLint.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run runTool(const QStringList &args, const QString &workDir = QString())
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(VELTRA_GPS), args);
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QList<QJsonObject> jsonLines(const QByteArray &out, QString *error)
{
    QList<QJsonObject> lines;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError e;
        const QJsonDocument d = QJsonDocument::fromJson(line, &e);
        if (e.error != QJsonParseError::NoError)
            *error = e.errorString() + QStringLiteral(": ") + QString::fromUtf8(line.left(200));
        lines.append(d.object());
    }
    if (!out.isEmpty() && !out.endsWith('\n'))
        *error = QStringLiteral("output does not end with a newline");
    return lines;
}

} // namespace

class VeltraGpsTest : public QObject {
    Q_OBJECT
private slots:
    void usageErrorsExitTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addRow("no arguments") << QStringList{};
        QTest::addRow("only options") << QStringList{"--format", "gpx"};
        QTest::addRow("unknown option") << QStringList{"--verbose", "a.MOV"};
        QTest::addRow("missing format value") << QStringList{"a.MOV", "--format"};
        QTest::addRow("bad format") << QStringList{"--format", "xml", "a.MOV"};
        QTest::addRow("missing output name") << QStringList{"a.MOV", "-o"};
    }
    void usageErrorsExitTwo()
    {
        QFETCH(QStringList, args);
        const Run r = runTool(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("usage: veltra-gps [--format json|csv|gpx|kml] [--detect] [-o OUT] FILE..."), r.err);
    }

    void helpExitsZero()
    {
        const Run r = runTool({"--help"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("usage: veltra-gps"));
    }

    // A directory is no input: a message naming it, nothing for it, the files
    // around it still written in order, and exit 1.
    void directoryIsReportedAndTheRestWritten()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        QFile(dir.filePath("c.MOV")).open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir("b.MOV");
        const Run r = runTool({"a.MOV", "b.MOV", "c.MOV"}, dir.path());
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QString::fromUtf8(r.err), QStringLiteral("veltra-gps: b.MOV: Is a directory\n"));
        QString error;
        const QList<QJsonObject> lines = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].value("file").toString(), QStringLiteral("a.MOV"));
        QCOMPARE(lines[1].value("file").toString(), QStringLiteral("c.MOV"));
    }

    // -o writes the complete document; an earlier file under that name is replaced
    // and no temporary file is left behind.
    void outputFileIsReplacedWhole()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        QFile old(dir.filePath("out.kml"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content that is longer than nothing");
        old.close();
        const Run r = runTool({"--format", "kml", "-o", "out.kml", "a.MOV"}, dir.path());
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.isEmpty());
        QFile out(dir.filePath("out.kml"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray doc = out.readAll();
        QVERIFY(doc.startsWith("<?xml"));
        QVERIFY(doc.endsWith("</kml>\n"));
        const QString lint = xmllintProblems(doc.toStdString());
        QVERIFY2(lint.isEmpty(), qPrintable(lint));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"a.MOV", "out.kml"}));
    }

    void outputIntoAMissingFolderFails()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("a.MOV")).open(QIODevice::WriteOnly);
        const Run r = runTool({"-o", "no/such/out.json", "a.MOV"}, dir.path());
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("veltra-gps: no/such/out.json: No such file or directory"), r.err);
    }
};

QTEST_GUILESS_MAIN(VeltraGpsTest)
#include "tst_veltra_gps.moc"
