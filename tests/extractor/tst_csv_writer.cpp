// The csv header and rows.
#include "CsvWriter.h"
#include "ClockAheadClip.h"
#include "SampleFactory.h"

#include <QTest>

#include <limits>

using Text = std::string;
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(GpsSample)

class CsvWriterTest : public QObject {
    Q_OBJECT
private slots:
    void header()
    {
        QCOMPARE(CsvWriter::header(),
                 Text("file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z,time_utc\n"));
        QCOMPARE(CsvWriter::header(true),
                 Text("trip,file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z,time_utc\n"));
        QCOMPARE(CsvWriter::header(false, ExportStyle{TimeBasis::Camera, false}),
                 Text("file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z,time_camera\n"));
        QCOMPARE(CsvWriter::header(true, ExportStyle{TimeBasis::Local, true}),
                 Text("trip,file,index,latitude,longitude,speed_kmh,course,gsensor_x,gsensor_y,gsensor_z,time_local\n"));
    }

    void rows_data()
    {
        QTest::addColumn<Text>("file");
        QTest::addColumn<GpsSample>("sample");
        QTest::addColumn<Text>("row");
        QTest::addRow("plain") << Text("/a/X.MOV") << makeSample("51.502056", "-0.127571", 18, 123.45, 0.012f, -0.98f, 1.5f)
                               << Text("/a/X.MOV,0,51.502056,-0.127571,18,123.45,0.012,-0.98,1.5,\n");
        QTest::addRow("no fix") << Text("/a/X.MOV") << makeSample("", "", 0, 0, 0, 0, 1)
                                << Text("/a/X.MOV,0,,,0,0,0,0,1,\n");
        QTest::addRow("comma in the name") << Text("/a,b/X.MOV") << makeSample("1.5", "2.5")
                                           << Text("\"/a,b/X.MOV\",0,1.5,2.5,0,0,0,0,0,\n");
        QTest::addRow("quote in the name") << Text("/a\"b/X.MOV") << makeSample("1.5", "2.5")
                                           << Text("\"/a\"\"b/X.MOV\",0,1.5,2.5,0,0,0,0,0,\n");
        QTest::addRow("line break in the name") << Text("/a\nb.MOV") << makeSample("1.5", "2.5")
                                                << Text("\"/a\nb.MOV\",0,1.5,2.5,0,0,0,0,0,\n");
        QTest::addRow("formula in the name stays text") << Text("=1+2.MOV") << makeSample("-1.5", "-2.5", 3)
                                                        << Text("'=1+2.MOV,0,-1.5,-2.5,3,0,0,0,0,\n");
        QTest::addRow("float needing nine digits") << Text("f") << makeSample("1", "2", 0, 0, -0.123332694f)
                                                   << Text("f,0,1,2,0,0,-0.123332694,0,0,\n");
        QTest::addRow("course not a number") << Text("f") << makeSample("1", "2", 0, std::numeric_limits<double>::quiet_NaN())
                                             << Text("f,0,1,2,0,,0,0,0,\n");
    }
    void rows()
    {
        QFETCH(Text, file);
        QFETCH(GpsSample, sample);
        QFETCH(Text, row);
        GpsReadResult r;
        r.videoDatas = {sample};
        QCOMPARE(CsvWriter::rows(r, file), row);
    }

    // What a camera did not record stays an empty cell, not a zero.
    void absentFields_data()
    {
        QTest::addColumn<QString>("absent");   // s speed, c course, g G
        QTest::addColumn<Text>("row");
        QTest::addRow("a camera without G sensor") << "g" << Text("f,0,1,2,5,123.5,,,,\n");
        QTest::addRow("no speed or course recorded") << "sc" << Text("f,0,1,2,,,0.5,0,0,\n");
        QTest::addRow("everything recorded") << "" << Text("f,0,1,2,5,123.5,0.5,0,0,\n");
    }
    void absentFields()
    {
        QFETCH(QString, absent);
        QFETCH(Text, row);
        GpsReadResult r;
        r.videoDatas = {makeSample("1", "2", absent.contains('s') ? 0 : 5, absent.contains('c') ? 0 : 123.5,
                                   absent.contains('g') ? 0 : 0.5f)};
        TelemetrySample t = TelemetrySample::fromGps(r.videoDatas[0]);
        t.hasSpeed = !absent.contains('s');
        t.hasCourse = !absent.contains('c');
        t.hasG = !absent.contains('g');
        r.samples = {t};
        QCOMPARE(QString::fromStdString(CsvWriter::rows(r, "f")), QString::fromStdString(row));
    }

    void indexCountsTheSamples()
    {
        GpsReadResult r;
        r.videoDatas = {makeSample("1", "2", 10), makeSample("", "", 20), makeSample("3", "4", 30)};
        QCOMPARE(CsvWriter::rows(r, "f"),
                 Text("f,0,1,2,10,0,0,0,0,\nf,1,,,20,0,0,0,0,\nf,2,3,4,30,0,0,0,0,\n"));
        QCOMPARE(CsvWriter::rows(GpsReadResult(), "f"), Text());
    }

    // The time column holds the sentence's UTC time, nothing for a sentence without
    // one; a trip's number goes in front.
    void utcTimeAndTrip()
    {
        GpsReadResult r;
        r.videoDatas = {makeSample("1", "2"), makeSample("3", "4")};
        r.times = {{"093012.50", "081126"}, {"", ""}};
        QCOMPARE(CsvWriter::rows(r, "f", 2),
                 Text("2,f,0,1,2,0,0,0,0,0,2026-11-08T09:30:12.5Z\n2,f,1,3,4,0,0,0,0,0,\n"));
    }

    // --time gives every row its time on the clock; --clean leaves out the row of a
    // glitch's position (the index still counts it) and the speed that is a glitch.
    void clockAndClean()
    {
        const GpsReadResult r = clockAheadClip();
        const ClipClock clock = clockOf(r);
        QCOMPARE(QString::fromStdString(CsvWriter::rows(ClipView{r, "f", &clock}, ExportStyle{TimeBasis::Camera, true})),
                 QString("f,0,51.5,-0.12,36,90.5,0,0,0,2026-11-08T09:30:04\n"
                      "f,2,51.5002,-0.12,,90.5,0,0,0,2026-11-08T09:30:06\n"
                      "f,3,51.5003,-0.12,0,0,0,0,0,2026-11-08T09:30:07\n"));
        QCOMPARE(QString::fromStdString(CsvWriter::rows(ClipView{r, "f", &clock}, ExportStyle{TimeBasis::Utc, false}, 1)),
                 QString("1,f,0,51.5,-0.12,36,90.5,0,0,0,2026-11-08T08:30:00Z\n"
                      "1,f,1,51.6,-0.12,40,90.5,0,0,0,2026-11-08T08:30:01Z\n"
                      "1,f,2,51.5002,-0.12,340,90.5,0,0,0,2026-11-08T08:30:02Z\n"
                      "1,f,3,51.5003,-0.12,0,0,0,0,0,2026-11-08T08:30:03Z\n"));
    }
};

QTEST_APPLESS_MAIN(CsvWriterTest)
#include "tst_csv_writer.moc"
