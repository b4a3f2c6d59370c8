// The two shared colours.
#pragma once

#include <QColor>

class AppColorManager {
public:
    AppColorManager() = delete;
    static QColor appBackgroundColor() { return QColor(223, 221, 224); }
    static QColor gsensorBackgroundColor() { return QColor(72, 169, 210); }
};
