// Writes the last compass and speed-needle angles ("rotateAngle_v", "rotateSpd_v")
// to the settings store and out to disk without holding up the clock tick: the
// disk write (tens of milliseconds with its flush) runs on a background thread,
// one at a time, in the order asked. Reads made after waitForWrites() see every
// value written before it.
#pragma once

class RotationStore {
public:
    RotationStore() = delete;

    // Stores `value` under `key` and writes the store out, in the background. The
    // key must live as long as the program (one of its own key names).
    static void write(const char *key, double value);
    // Waits until every write asked for so far is in the store and on disk.
    static void waitForWrites();
};
