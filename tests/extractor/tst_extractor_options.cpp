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
        QTest::addRow("verify") << QStringList{"--verify", "x.manifest.json"} << true << F::Json << false << "" << QStringList{};
        QTest::addRow("verify without a manifest") << QStringList{"--verify"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("verify with files") << QStringList{"--verify", "m", "a"} << false << F::Json << false << "" << QStringList{};
        QTest::addRow("verify with a format") << QStringList{"--format", "gpx", "--verify", "m"} << false << F::Json << false << "" << QStringList{};
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

    // --time: the three clocks by name, else a zone of the system's database, which
    // must name a zone file there and nothing outside it.
    void timeAndClean_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");   // empty: usable
        QTest::addColumn<int>("time");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<bool>("clean");
        const int reader = int(TimeBasis::Reader), utc = int(TimeBasis::Utc), local = int(TimeBasis::Local);
        QTest::addRow("neither") << QStringList{"a"} << "" << reader << "" << false;
        QTest::addRow("utc") << QStringList{"--time", "utc", "a"} << "" << utc << "" << false;
        QTest::addRow("camera, with equals") << QStringList{"--time=camera", "a"} << "" << int(TimeBasis::Camera) << ""
                                             << false;
        QTest::addRow("local") << QStringList{"--time", "local", "a"} << "" << local << "" << false;
        QTest::addRow("a zone") << QStringList{"--time", "Europe/Berlin", "a"} << "" << local << "Europe/Berlin" << false;
        QTest::addRow("a zone called UTC") << QStringList{"--time", "UTC", "a"} << "" << local << "UTC" << false;
        QTest::addRow("clean") << QStringList{"--clean", "--format", "gpx", "a"} << "" << reader << "" << true;
        QTest::addRow("both, for trips") << QStringList{"--trips", "--format", "csv", "--time", "utc", "--clean", "a"}
                                         << "" << utc << "" << true;
        QTest::addRow("no zone given") << QStringList{"a", "--time"}
                                       << "--time needs utc, camera, local or a time zone" << reader << "" << false;
        QTest::addRow("an unknown zone") << QStringList{"--time", "Europe/Atlantis", "a"}
                                         << "unknown time zone 'Europe/Atlantis'" << reader << "" << false;
        QTest::addRow("out of the database") << QStringList{"--time", "../zoneinfo/UTC", "a"}
                                             << "unknown time zone '../zoneinfo/UTC'" << reader << "" << false;
        QTest::addRow("a dot part") << QStringList{"--time", "Europe/./Berlin", "a"}
                                    << "unknown time zone 'Europe/./Berlin'" << reader << "" << false;
        QTest::addRow("an absolute path") << QStringList{"--time", "/usr/share/zoneinfo/UTC", "a"}
                                          << "unknown time zone '/usr/share/zoneinfo/UTC'" << reader << "" << false;
        QTest::addRow("a folder of zones") << QStringList{"--time", "Europe", "a"} << "unknown time zone 'Europe'"
                                           << reader << "" << false;
        QTest::addRow("a file of the database that is no zone") << QStringList{"--time", "zone.tab", "a"}
                                                                 << "unknown time zone 'zone.tab'" << reader << "" << false;
        QTest::addRow("upper-case clock name") << QStringList{"--time", "Camera", "a"} << "unknown time zone 'Camera'"
                                               << reader << "" << false;
        QTest::addRow("with detect") << QStringList{"--detect", "--clean", "a"}
                                     << "--detect takes neither --time nor --clean" << reader << "" << true;
    }
    void timeAndClean()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        QFETCH(int, time);
        QFETCH(QString, zone);
        QFETCH(bool, clean);
        std::vector<std::string> argv;
        for (const QString &a : args)
            argv.push_back(a.toStdString());
        const ExtractorOptions o = ExtractorOptions::parse(argv);
        QCOMPARE(QString::fromStdString(o.error), error);
        QCOMPARE(int(o.style.time), time);
        QCOMPARE(QString::fromStdString(o.zone), zone);
        QCOMPARE(o.style.clean, clean);
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
                    .startsWith("usage: veltra-gps [--format json|csv|gpx|kml] [--detect] [--trips [--gap S]] [--time T] [--clean]\n"
                                "                  [-o OUT] FILE...\n"));
    }
};

QTEST_APPLESS_MAIN(ExtractorOptionsTest)
#include "tst_extractor_options.moc"
