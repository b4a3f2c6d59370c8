// Settings for a test: a file of their own in a temporary folder, empty at first, and
// how many connections follow a change signal.
#pragma once

#include "common/Settings.h"

#include <QTemporaryDir>

class TestSettings : public Settings {
public:
    TestSettings() : Settings(nextFile()) {}

    // `signal` as SIGNAL() writes it.
    int followers(const char *signal) const { return receivers(signal); }

private:
    static QString nextFile()
    {
        static QTemporaryDir dir;
        static int made = 0;
        return dir.filePath(QStringLiteral("settings-%1.ini").arg(++made));
    }
};
