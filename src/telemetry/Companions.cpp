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
    // time only comes after those).
    struct Claim {
        std::string name;
        int64_t rank;
    };
    constexpr int64_t kByCameraTime = INT64_MAX;
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
                const int64_t apart = std::llabs(*said->gpsUtcMs - ownGps);
                if (apart < 1000)
                    claims[channel].push_back(Claim{name, apart});
                continue;
            }
        }
        if (camera && ownCamera && secondOf(*camera) == secondOf(*ownCamera))
            claims[channel].push_back(Claim{name, kByCameraTime});
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
        std::stable_sort(it->second.begin(), it->second.end(),
                         [](const Claim &a, const Claim &b) { return a.rank < b.rank; });
        c.claims = it->second.size();
        c.gap = Companion::Gap::Unreadable;
        for (const Claim &claim : it->second) {
            const std::string &name = claim.name;
            const CompanionFile f = state(name);
            const Companion::Gap gap = f.bytes < 0     ? Companion::Gap::Missing
                                       : !f.readable   ? Companion::Gap::Unreadable
                                       : f.bytes == 0  ? Companion::Gap::Empty
                                                       : Companion::Gap::None;
            if (c.name.empty() || gap == Companion::Gap::None) {
                c.name = name;
                c.gap = gap;
            }
            if (gap == Companion::Gap::None)
                break;
        }
        out.push_back(c);
    }
    return out;
}
