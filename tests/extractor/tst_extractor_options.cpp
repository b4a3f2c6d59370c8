// The command line of veltra-gps.
#include "ExtractorOptions.h"

#include <QTest>

Q_DECLARE_METATYPE(ExtractorOptions::Format)

class ExtractorOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        using F = ExtractorOptions::Format;
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<F>("format");
        QTest::addColumn<bool>("detect");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("files");
        QTest::addRow("json by default") << QStringList{"a.MOV"} << true << F::Json << false << "" << QStringList{"a.MOV"};
        QTest::addRow("csv") << QStringList{"--format", "csv", "a", "b"} << true << F::Csv << false << "" << QStringList{"a", "b"};
        QTest::addRow("gpx with equals") << QStringList{"--format=gpx", "a"} << true << F::Gpx << false << "" << QStringList{"a"};
        QTest::addRow("kml after the files") << QStringList{"a", "--format", "kml"} << true << F::Kml << false << "" << QStringList{"a"};
        QTest::addRow("last format wins") << QStringList{"--format", "csv", "--format", "json", "a"} << true << F::Json << false << "" << QStringList{"a"};
        QTest::addRow("detect") << QStringList{"--detect", "a"} << true << F::Json << true << "" << QStringList{"a"};
        QTest::addRow("output") << QStringList{"-o", "out.gpx", "--format", "gpx", "a"} << true << F::Gpx << false << "out.gpx" << QStringList{"a"};
        QTest::addRow("output dash is stdout") << QStringList{"-o", "-", "a"} << true << F::Json << false << "" << QStringList{"a"};
        QTest::addRow("dash dash ends options") << QStringList{"--", "--detect", "-o"} << true << F::Json << false << "" << QStringList{"--detect", "-o"};
        QTest::addRow("lone dash is a file") << QStringList{"-"} << true << F::Json << false << "" << QStringList{"-"};
        QTest::addRow("file URL") << QStringList{"file:///a%20b/X.MOV"} << true << F::Json << false << "" << QStringList{"file:///a%20b/X.MOV"};
        QTest::addRow("no files") << QStringList{} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("only options") << QStringList{"--detect", "-o", "x"} << false << F::Json << true << "x" << QStringList{};
        QTest::addRow("unknown option") << QStringList{"--fast", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("unknown short option") << QStringList{"-x", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("format without value") << QStringList{"a", "--format"} << false << F::Json << false << "" << QStringList{"a"};
        QTest::addRow("bad format") << QStringList{"--format", "xml", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("upper-case format") << QStringList{"--format", "GPX", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("empty format") << QStringList{"--format=", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("output without name") << QStringList{"a", "-o"} << false << F::Json << false << "" << QStringList{"a"};
        QTest::addRow("output with empty name") << QStringList{"-o", "", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("trips as kml") << QStringList{"--trips", "--format", "kml", "a"} << true << F::Kml << false << "" << QStringList{"a"};
        QTest::addRow("trips as json") << QStringList{"--trips", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("trips with detect") << QStringList{"--trips", "--detect", "--format", "gpx", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("gap without seconds") << QStringList{"--trips", "--format", "gpx", "a", "--gap"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("gap not a number") << QStringList{"--trips", "--format", "gpx", "--gap", "1e3", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("gap over a day") << QStringList{"--trips", "--format", "gpx", "--gap", "86401", "a"} << false << F::Json << false << "" << QStringList{};
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, usable);
        QFETCH(ExtractorOptions::Format, format);
        QFETCH(bool, detect);
        QFETCH(QString, output);
        QFETCH(QStringList, files);
        std::vector<std::string> argv;
        for (const QString &a : args)
            argv.push_back(a.toStdString());
        const ExtractorOptions o = ExtractorOptions::parse(argv);
        QCOMPARE(o.error.empty(), usable);
        QVERIFY(!o.help);
        if (!usable)
            return;
        QCOMPARE(o.format, format);
        QCOMPARE(o.detect, detect);
        QCOMPARE(QString::fromStdString(o.output), output);
        QStringList got;
        for (const std::string &f : o.files)
            got << QString::fromStdString(f);
        QCOMPARE(got, files);
    }

    void tripsAndGap()
    {
        const ExtractorOptions plain = ExtractorOptions::parse({"--format", "gpx", "a"});
        QVERIFY(!plain.trips);
        QCOMPARE(plain.gapMs, 10000LL);
        const ExtractorOptions o = ExtractorOptions::parse({"--trips", "--gap", "45", "--format", "csv", "a"});
        QVERIFY(o.error.empty() && o.trips);
        QCOMPARE(o.gapMs, 45000LL);
    }

    void help()
    {
        for (const char *flag : {"-h", "--help"}) {
            const ExtractorOptions o = ExtractorOptions::parse({flag});
            QVERIFY(o.help);
            QVERIFY(o.error.empty());
        }
        const ExtractorOptions v = ExtractorOptions::parse({"--version"});
        QVERIFY(v.version && !v.help);
        QVERIFY(v.error.empty());
        QVERIFY(QByteArray(ExtractorOptions::usage())
                    .startsWith("usage: veltra-gps [--format json|csv|gpx|kml] [--detect] [--trips [--gap S]] [-o OUT] FILE...\n"));
    }
};

QTEST_APPLESS_MAIN(ExtractorOptionsTest)
#include "tst_extractor_options.moc"
