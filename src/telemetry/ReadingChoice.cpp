#include "ReadingChoice.h"

ReadingChoice::Choice ReadingChoice::pick(const std::vector<Reading> &readings)
{
    for (std::size_t i = 0; i < readings.size(); ++i)
        if (readings[i].samples && readings[i].recognised)
            return {Outcome::Reading, int(i)};
    for (std::size_t i = 0; i < readings.size(); ++i)
        if (readings[i].samples && readings[i].marked)
            return {Outcome::Reading, int(i)};
    for (const Reading &r : readings)
        if (r.undecodable)
            return {Outcome::Unreadable, -1};
    return {};
}

bool ReadingChoice::settled(const std::vector<Reading> &readings)
{
    for (const Reading &r : readings)
        if (r.samples && r.recognised)
            return true;
    return false;
}
