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
};

QTEST_GUILESS_MAIN(CompositionTest)
#include "tst_composition.moc"
