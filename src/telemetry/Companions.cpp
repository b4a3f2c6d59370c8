#include "Companions.h"

#include "ClipTime.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <map>

namespace {

bool isVideoName(const std::string &name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot + 1);
    for (char &c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == "mov" || ext == "mp4" || ext == "ts" || ext == "avi" || ext == "mkv";
}

int64_t secondOf(int64_t ms)
{
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

} // namespace

std::vector<Companion> findCompanions(const std::string &clip, const std::vector<std::string> &folder,
                                      const std::function<CompanionFile(const std::string &)> &state,
                                      const std::function<CompanionTime(const std::string &)> &time)
{
    const char own = ClipTime::channel(clip);
    if (!own)
        return {};
    const auto nameMs = [](const std::string &name) -> std::optional<int64_t> {
        const auto civil = ClipTime::fromFileName(name);
        return civil ? std::optional<int64_t>(ClipTime::toMs(*civil)) : std::nullopt;
    };
    size_t reads = 0;
    const auto ask = [&](const std::string &name) -> std::optional<CompanionTime> {
        if (!time || reads >= kMaxCompanionTimeReads)
            return std::nullopt;
        ++reads;
        return time(name);
    };
    const std::optional<CompanionTime> ownTime = ask(clip);
    std::optional<int64_t> ownCamera = nameMs(clip);
    if (!ownCamera && ownTime)
        ownCamera = ownTime->movieMs;
    const bool hasGps = ownTime && ownTime->gpsUtcMs;
    const int64_t ownGps = hasGps ? *ownTime->gpsUtcMs : 0;
    if (!ownCamera && !hasGps)
        return {};

    // Every channel of the folder counts for gaps; each file of the clip's moment is a
    // claim on its channel, ranked by how near its GPS start is (a match by the camera's
    // time only comes after those, and a file that starts apart after both).
    struct Claim {
        std::string name;
        int tier;        // 0 by the GPS, 1 by the camera's second, 2 started apart
        int64_t apart;   // from the clip's start, ms, by what decided
    };
    std::vector<char> channels;
    std::map<char, std::vector<Claim>> claims;
    const size_t count = std::min(folder.size(), kMaxCompanionNames);
    for (size_t i = 0; i < count; ++i) {
        const std::string &name = folder[i];
        const char channel = ClipTime::channel(name);
        if (!channel || channel == own || !isVideoName(name))
            continue;
        std::optional<int64_t> camera = nameMs(name);
        std::optional<CompanionTime> said;
        if (!camera) {
            said = ask(name);
            if (said)
                camera = said->movieMs;
        }
        if (!camera && !(said && said->gpsUtcMs))
            continue;   // a file that says nothing of its time is no camera's
        if (std::find(channels.begin(), channels.end(), channel) == channels.end())
            channels.push_back(channel);
        // Where one of the two has no camera time, its GPS is all there is to go by.
        if (hasGps && (!camera || !ownCamera || std::llabs(*camera - *ownCamera) <= kCompanionNearMs)) {
            if (!said)
                said = ask(name);
            if (said && said->gpsUtcMs) {
                const int64_t apart = *said->gpsUtcMs - ownGps;
                if (std::llabs(apart) < 1000)
                    claims[channel].push_back(Claim{name, 0, apart});
                else if (std::llabs(apart) <= kCompanionNearMs)
                    claims[channel].push_back(Claim{name, 2, apart});
                continue;
            }
        }
        if (!camera || !ownCamera)
            continue;
        if (secondOf(*camera) == secondOf(*ownCamera))
            claims[channel].push_back(Claim{name, 1, 0});
        else if (std::llabs(*camera - *ownCamera) <= kCompanionNearMs)
            claims[channel].push_back(Claim{name, 2, *camera - *ownCamera});
    }
    std::sort(channels.begin(), channels.end(),
              [](char a, char b) { return ClipTime::channelRank(a) < ClipTime::channelRank(b); });

    std::vector<Companion> out;
    for (const char channel : channels) {
        Companion c;
        c.channel = channel;
        const auto it = claims.find(channel);
        if (it == claims.end()) {
            c.gap = Companion::Gap::Missing;
            out.push_back(c);
            continue;
        }
        std::vector<Claim> &found = it->second;
        std::stable_sort(found.begin(), found.end(), [](const Claim &a, const Claim &b) {
            const int64_t x = a.tier == 1 ? 0 : std::llabs(a.apart), y = b.tier == 1 ? 0 : std::llabs(b.apart);
            return a.tier != b.tier ? a.tier < b.tier : x < y;
        });
        // A file that started apart stands in only where none is of the moment itself.
        if (found.front().tier < 2)
            found.erase(std::remove_if(found.begin(), found.end(), [](const Claim &k) { return k.tier == 2; }),
                        found.end());
        c.claims = found.size();
        c.gap = Companion::Gap::Unreadable;
        for (const Claim &claim : found) {
            const std::string &name = claim.name;
            const CompanionFile f = state(name);
            const Companion::Gap gap = f.bytes < 0     ? Companion::Gap::Missing
                                       : !f.readable   ? Companion::Gap::Unreadable
                                       : f.bytes == 0  ? Companion::Gap::Empty
                                                       : Companion::Gap::None;
            if (c.name.empty() || gap == Companion::Gap::None) {
                c.name = name;
                c.gap = gap;
                c.startMs = claim.tier == 2 ? claim.apart : 0;
            }
            if (gap == Companion::Gap::None)
                break;
        }
        out.push_back(c);
    }
    return out;
}
