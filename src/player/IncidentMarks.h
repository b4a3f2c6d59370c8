// The in and out marks of an incident segment and the rule that turns them into a
// segment that can be exported: reversed marks are swapped, marks outside the clip
// are brought to its ends, a segment without length is refused. Each correction and
// each refusal comes with the sentence the user is shown.
#pragma once

#include <QString>

#include <optional>

struct MarkedRange {
    bool ok = false;
    double in = 0;
    double out = 0;
    QString message;   // why it was corrected or refused; empty when taken as it was
};

class IncidentMarks {
public:
    IncidentMarks() = delete;

    // The segment for marks `in` and `out` (seconds) in a clip of `duration` seconds.
    // A missing in mark is the start of the clip, a missing out mark its end.
    static MarkedRange range(std::optional<double> in, std::optional<double> out, double duration);

    // "01:35.200" (minutes:seconds.milliseconds; hours in front when there are any).
    static QString timeText(double seconds);

    // The shortest segment that is exported (seconds).
    static constexpr double minimumLength = 0.1;
};
