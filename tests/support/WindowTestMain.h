// The start of a test that builds the program's main window: the widgets compose
// through OpenGL as the program's own start sets them (the map's web view needs it),
// and the map's tile scheme is registered before the application object exists.
#pragma once

#include "map/MapTileServer.h"

#include <QApplication>
#include <QTest>

#define VELTRA_WINDOW_TEST_MAIN(TestClass)                                   \
    int main(int argc, char *argv[])                                         \
    {                                                                        \
        qputenv("QT_WIDGETS_RHI", "1");                                      \
        qputenv("QT_WIDGETS_RHI_BACKEND", "opengl");                         \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);          \
        MapTileServer::registerUrlScheme();                                  \
        QApplication app(argc, argv);                                        \
        QApplication::setOrganizationName(QStringLiteral("Veltra"));         \
        QApplication::setApplicationName(QStringLiteral("Veltra Player"));   \
        TestClass test;                                                      \
        return QTest::qExec(&test, argc, argv);                              \
    }
