// Writes the last compass and speed-needle angles ("rotateAngle_v", "rotateSpd_v")
// to a settings file and out to disk without holding up the clock tick: the disk
// write (tens of milliseconds with its flush) runs on a thread of its own, one at a
// time, in the order asked. Reads of the file made after waitForWrites() see every
// value written before it. The settings object owns one for its file.
#pragma once

#include <QString>

class RotationStore {
public:
    explicit RotationStore(const QString &file);
    // Writes what is still waiting, then stops the thread.
    ~RotationStore();
    RotationStore(const RotationStore &) = delete;
    RotationStore &operator=(const RotationStore &) = delete;

    // Stores `value` under `key` and writes the file out, in the background. The key
    // must live as long as the program (one of its own key names).
    void write(const char *key, double value);
    // Waits until every write asked for so far is in the file and on disk.
    void waitForWrites();

private:
    struct Writer;
    Writer *w_;
};
