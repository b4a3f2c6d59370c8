// GPS glitches: a position that implies a speed no car reaches, a point that jumps away
// and straight back, a speed reading no car reaches. A glitch is left out of the route,
// the distance, the maximum and the events, and shown as such on the timeline; the
// readings themselves stay as the reader gave them (TelemetrySample::glitches marks
// them). Pure functions over a clip's samples.
#pragma once

#include "TelemetrySample.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace GpsGlitches {

// Above this no car on a road goes: a step between two fixes, or a speed reading,
// that implies more is a glitch.
constexpr double kMaxKmh = 300.0;
// A point at least this far from both neighbouring fixes, while they lie close
// together, has jumped away and back.
constexpr double kSpikeMetres = 150.0;
// After this many fixes in a row were left out, the track is taken to have really moved
// (the fix before them was the wrong one, or the car came out of a tunnel).
constexpr int kReanchorAfter = 3;

// Great-circle metres between two positions (mean Earth radius 6371 km).
double metres(double lat1, double lon1, double lat2, double lon2);

// `samples` with their glitches marked (TelemetrySample::glitches), spread evenly over
// `duration` seconds (one a second when it is 0); samples with a UTC time are timed by
// it instead. Marks found before are replaced.
std::vector<TelemetrySample> marked(std::vector<TelemetrySample> samples, double duration);

// A light smoothing of the route for the map: each point on the route becomes the mean
// of itself and its neighbours on the route (a window of three, bridging a glitch but
// not a stretch without a fix).
std::vector<TelemetrySample> smoothed(const std::vector<TelemetrySample> &samples);

// Metres along the route: from each point on the route to the next one, over glitches
// in between, but not across a sample without a fix.
double routeMetres(const std::vector<TelemetrySample> &samples);
// The highest speed reading that counts (0 when there is none).
int maxSpeedKmh(const std::vector<TelemetrySample> &samples);
// How many samples carry a glitch.
size_t count(const std::vector<TelemetrySample> &samples);

// The figures of a clip: its highest speed, the metres and the points of its route.
// Clean, the marked glitches are left out as above; raw, every reading counts as the
// reader gave it, marks or not.
struct Figures {
    int maxSpeedKmh = 0;
    double routeMetres = 0;
    size_t points = 0;
};
Figures figures(const std::vector<TelemetrySample> &samples, bool clean);

} // namespace GpsGlitches
