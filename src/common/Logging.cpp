#include "Logging.h"

Q_LOGGING_CATEGORY(lcCommon, "veltra.common", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "veltra.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMap, "veltra.map", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlayer, "veltra.player", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlaylist, "veltra.playlist", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "veltra.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcInstruments, "veltra.instruments", QtInfoMsg)
