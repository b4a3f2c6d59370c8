// How the window is composed for the environment a user starts the program in.
#include "common/Composition.h"

#include <QTest>

class CompositionTest : public QObject {
    Q_OBJECT
private slots:
    void choose_data()
    {
        QTest::addColumn<QStringList>("environment");   // NAME=VALUE
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<bool>("shareOpenGl");
        QTest::addColumn<bool>("warns");
        QTest::newRow("nothing set: no OpenGL at all")
            << QStringList() << QStringList{"QT_QUICK_BACKEND=software", "QT_XCB_GL_INTEGRATION=none"} << false
            << false;
        QTest::newRow("software asked for, widgets' composition off")
            << QStringList{"QT_QUICK_BACKEND=software", "QT_WIDGETS_RHI=0"}
            << QStringList{"QT_XCB_GL_INTEGRATION=none"} << false << false;
        QTest::newRow("widgets through OpenGL asked for: OpenGL stays loaded")
            << QStringList{"QT_WIDGETS_RHI=1"} << QStringList{"QT_QUICK_BACKEND=software"} << false << false;
        QTest::newRow("the user's own GL integration is kept")
            << QStringList{"QT_XCB_GL_INTEGRATION=xcb_egl"} << QStringList{"QT_QUICK_BACKEND=software"} << false
            << false;
        QTest::newRow("GPU scene graph: the widgets compose through OpenGL")
            << QStringList{"QT_QUICK_BACKEND=rhi"} << QStringList{"QT_WIDGETS_RHI=1", "QT_WIDGETS_RHI_BACKEND=opengl"}
            << true << false;
        QTest::newRow("GPU scene graph, widgets' composition off: said and overruled")
            << QStringList{"QT_QUICK_BACKEND=opengl", "QT_WIDGETS_RHI=0", "QT_WIDGETS_RHI_BACKEND=vulkan"}
            << QStringList{"QT_WIDGETS_RHI=1"} << true << true;
    }
    void choose()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, set);
        QFETCH(bool, shareOpenGl);
        QFETCH(bool, warns);
        const Composition::Choice choice = Composition::choose([&](const char *name) {
            const QString prefix = QLatin1String(name) + QLatin1Char('=');
            for (const QString &v : environment)
                if (v.startsWith(prefix))
                    return v.mid(prefix.size()).toLocal8Bit();
            return QByteArray();
        });
        QStringList got;
        for (const auto &[name, value] : choice.set)
            got << QString::fromLatin1(name + '=' + value);
        QCOMPARE(got, set);
        QCOMPARE(choice.shareOpenGl, shareOpenGl);
        QCOMPARE(!choice.warning.isEmpty(), warns);
    }

    // The decoder and the picture's path for what a machine has, chosen or forced.
    void paths_data()
    {
        QTest::addColumn<QStringList>("plugins");
        QTest::addColumn<QString>("devices");
        QTest::addColumn<QString>("decoding");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<QString>("said");
        const QString va = "ranks=vah264dec:%1,vah265dec:%1,vavp9dec:%1,vaav1dec:%1,vavp8dec:%1,vampeg2dec:%1";
        QTest::newRow("nothing: nothing set") << QStringList() << "" << "" << "" << QStringList() << QStringList()
            << "decoding in software, picture composed on the CPU (no hardware decoder with its device; no GPU for OpenGL)";
        QTest::newRow("plugins without their devices (these machines)")
            << QStringList{"va", "nvcodec", "v4l2codecs"} << "" << "auto" << "auto" << QStringList() << QStringList()
            << "decoding in software, picture composed on the CPU (no hardware decoder with its device; no GPU for OpenGL)";
        QTest::newRow("VA-API with a GPU: both on it")
            << QStringList{"va", "vaapi"} << "render" << "" << "" << QStringList()
            << QStringList{va.arg("MAX"), "QT_QUICK_BACKEND=opengl"} << "decoding with VA-API, picture composed through OpenGL";
        QTest::newRow("forced to software and the CPU")
            << QStringList{"va"} << "render" << "software" << "cpu" << QStringList() << QStringList{va.arg("NONE")}
            << "decoding in software, picture composed on the CPU (as asked; the picture on the CPU as asked)";
        QTest::newRow("hardware asked for, none here")
            << QStringList{"va"} << "" << "hardware" << "" << QStringList() << QStringList()
            << "decoding in software, picture composed on the CPU (hardware decoding was asked for, but no decoder plugin "
               "has its device here; no GPU for OpenGL)";
        QTest::newRow("NVDEC: ranked in-process, the user's ranks left to the engine")
            << QStringList{"nvcodec"} << "nvidia" << "" << "cpu" << QStringList{"GST_PLUGIN_FEATURE_RANK=nvh264dec:0"}
            << QStringList{"ranks=nvh264dec:MAX,nvh265dec:MAX,nvvp9dec:MAX,nvav1dec:MAX,nvh264sldec:MAX,"
                           "nvh265sldec:MAX"}
            << "decoding with NVDEC, picture composed on the CPU (the picture on the CPU as asked)";
        QTest::newRow("the older VA-API plugin alone")
            << QStringList{"vaapi"} << "render" << "hardware" << "" << QStringList{"QT_QUICK_BACKEND=software"}
            << QStringList{"ranks=vaapih264dec:MAX,vaapih265dec:MAX,vaapivp9dec:MAX,vaapiav1dec:MAX"}
            << "decoding with VA-API (vaapi), picture composed on the CPU (no GPU for OpenGL)";
        QTest::newRow("OpenGL forced without a GPU")
            << QStringList() << "" << "" << "opengl" << QStringList() << QStringList{"QT_QUICK_BACKEND=opengl"}
            << "decoding in software, picture composed through OpenGL (no hardware decoder with its device)";
    }
    void paths()
    {
        QFETCH(QStringList, plugins);
        QFETCH(QString, devices);
        QFETCH(QString, decoding);
        QFETCH(QString, picture);
        QFETCH(QStringList, environment);
        QFETCH(QStringList, set);
        QFETCH(QString, said);
        Composition::Machine machine;
        machine.plugins = plugins;
        machine.renderNode = devices.contains("render");
        machine.nvidia = devices.contains("nvidia");
        const Composition::Paths p = Composition::choosePaths(machine, decoding, picture, [&](const char *name) {
            const QString prefix = QLatin1String(name) + QLatin1Char('=');
            for (const QString &v : environment)
                if (v.startsWith(prefix))
                    return v.mid(prefix.size()).toLocal8Bit();
            return QByteArray();
        });
        QStringList got;
        if (!p.ranks.isEmpty())
            got << QString::fromLatin1("ranks=" + p.ranks);
        for (const auto &[name, value] : p.set)
            got << QString::fromLatin1(name + '=' + value);
        QCOMPARE(got, set);
        QCOMPARE(p.said, said);
    }
};

QTEST_GUILESS_MAIN(CompositionTest)
#include "tst_composition.moc"
