// ReaderTruth: what a correct telemetry reader must report for the blocks the forge
// wrote, worked out from the stored sentence texts and G-sensor readings, and the
// truth file (the extractor's JSON form) that the tests compare readers against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the car reported at a moment (the in-stream layout), as the message holds it.
struct ExpectedVehicle {
    float steering = 0, pedal = 0;
    bool brake = false, left = false, right = false;
    int gear = 0, assistance = 0;   // VehicleMessage.Gear and .AssistanceState
};

struct ExpectedSample {
    int spd = 0;
    std::string lat;
    std::string lon;
    double course = 0;
    float g[3] = {0, 0, 0};
    bool hasVehicle = false;
    ExpectedVehicle vehicle;
};

class ReaderTruth {
public:
    // The NT9665 reader parses $GPRMC/$GLRMC only; the index reader also takes
    // $GPGGA (position only) and zeroes implausible G-sensor readings.
    enum class Reader { SampleTable, Index };

    static ExpectedSample expect(const std::string& sentence, const int32_t readings[3], Reader reader);
    // Decimal-degree text of an NMEA degrees-and-minutes value; empty for a value
    // whose minutes have neither four nor five decimals.
    static std::string coordinateText(const std::string& value, char hemisphere);
    static int maxSpeed(const std::vector<ExpectedSample>& samples);
    static bool inChina(const std::vector<ExpectedSample>& samples);
    // With a "vehicle" list beside the samples (an object or null for each) when any
    // sample has what the car reported.
    static std::string json(const std::vector<ExpectedSample>& samples, const std::string& file);
    // Shortest text that reads back as the same double.
    static std::string number(double v);
};
