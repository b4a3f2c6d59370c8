// The position of a sample for the map formats. A sample has one when both of its
// coordinate texts begin with a number and the numbers lie on the globe
// (latitude -90..90, longitude -180..180); the camera writes anything else for
// blocks without a fix or with a garbled sentence.
#pragma once

#include "GpsSample.h"

#include <string>

struct SamplePosition {
    double latitude = 0;
    double longitude = 0;
    std::string latitudeText;    // plain decimal, no exponent
    std::string longitudeText;   // plain decimal, no exponent, 180 written as -180

    // False when the sample has no usable position.
    static bool of(const GpsSample &sample, SamplePosition *position);
};
