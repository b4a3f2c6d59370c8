// GStreamer, set up once per process: gst_init, and the decoders' ranks for the
// decoding path chosen (hardware decoders whose device exists first, or kept off for
// software decoding). The user's own GST_PLUGIN_FEATURE_RANK has the last word.
#pragma once

#include <QString>

namespace GstSetup {

// Initialises GStreamer (once; later calls do nothing). `ranks` is a
// GST_PLUGIN_FEATURE_RANK-style list ("vah264dec:MAX,avdec_h264:NONE") set in-process.
void ensure(const QByteArray &ranks = {});

// The "name:RANK" list of `ranks` applied to the registry; a name that is no feature
// here is passed over. Returns how many were set.
int applyRanks(const QByteArray &ranks);

} // namespace GstSetup
