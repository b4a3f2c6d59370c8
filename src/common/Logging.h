// One logging category per area of the program. Debug messages are off by default,
// the rest are on; QT_LOGGING_RULES="veltra.map.debug=true" turns on one area,
// "veltra.*.debug=true" all of them.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCommon)        // veltra.common
Q_DECLARE_LOGGING_CATEGORY(lcStore)         // veltra.store
Q_DECLARE_LOGGING_CATEGORY(lcMap)           // veltra.map
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)        // veltra.player
Q_DECLARE_LOGGING_CATEGORY(lcPlaylist)      // veltra.playlist
Q_DECLARE_LOGGING_CATEGORY(lcApp)           // veltra.app
Q_DECLARE_LOGGING_CATEGORY(lcInstruments)   // veltra.instruments
