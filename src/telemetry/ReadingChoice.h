// Which reading of a file is its telemetry. Detection runs the readers in a fixed order
// and describes what each found as a Reading; this rule alone decides which reading the
// file gives, and when the readers still to run can no longer change that. No reader
// ends the detection by itself: blocks that one reader cannot decode may be another's.
#pragma once

#include <cstddef>
#include <vector>

struct Reading {
    bool samples = false;      // the reader gave samples
    // ... from data it recognised as its own: a sentence in a block, a payload layout
    // that decodes, a KLV stream, a message in the frames. A reader that takes any bytes
    // it is pointed at (the index reader on whatever follows udta) recognises nothing
    // without a sentence among them.
    bool recognised = false;
    // The file carries the reader's own mark (the ICAT6330 end mark, a udta naming
    // NT9665): what it reads stands even without a sentence.
    bool marked = false;
    // The reader found its blocks but could decode none of them (enciphered or encoded).
    bool undecodable = false;
};

class ReadingChoice {
public:
    ReadingChoice() = delete;

    enum class Outcome { Reading, Unreadable, None };
    struct Choice {
        Outcome outcome = Outcome::None;
        int index = -1;   // of the chosen reading, for Outcome::Reading
    };

    // `readings` in the order the readers ran:
    //  1. the first recognised reading with samples;
    //  2. else the first marked reading with samples;
    //  3. else Unreadable when a reader found blocks it could not decode;
    //  4. else None.
    static Choice pick(const std::vector<Reading> &readings);
    // True when no reading still to come can change pick(): a recognised reading with
    // samples is there (rule 1 takes the first).
    static bool settled(const std::vector<Reading> &readings);
};
