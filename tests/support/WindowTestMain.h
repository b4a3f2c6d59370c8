// The start of a test that builds the program's main window: the window is composed
// as the program's own start sets it, and the map's tile scheme is registered before
// the application object exists.
#pragma once

#include "common/Composition.h"
#include "map/MapTileServer.h"

#include <QApplication>
#include <QDir>
#include <QTest>

namespace WindowTest {

// Where a window test's screenshots go: VELTRA_SHOTS when set, else the build's
// screenshots folder; made when missing.
inline QString screenshotFolder()
{
    QString dir = qEnvironmentVariable("VELTRA_SHOTS");
    if (dir.isEmpty())
        dir = qEnvironmentVariable("VELTRA_BINARY_DIR") + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

} // namespace WindowTest

#define VELTRA_WINDOW_TEST_MAIN(TestClass)                                   \
    int main(int argc, char *argv[])                                         \
    {                                                                        \
        Composition::apply();                                                \
        MapTileServer::registerUrlScheme();                                  \
        QApplication app(argc, argv);                                        \
        QApplication::setOrganizationName(QStringLiteral("Veltra"));         \
        QApplication::setApplicationName(QStringLiteral("Veltra Player"));   \
        TestClass test;                                                      \
        return QTest::qExec(&test, argc, argv);                              \
    }
