#include "Companions.h"

#include "ClipTime.h"
#include "TripGrouping.h"

#include <algorithm>
#include <cctype>
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

} // namespace

std::vector<Companion> findCompanions(const std::string &clip, const std::vector<std::string> &folder,
                                      const std::function<CompanionFile(const std::string &)> &state)
{
    const char own = ClipTime::channel(clip);
    const auto civil = ClipTime::fromFileName(clip);
    if (!own || !civil)
        return {};
    const int64_t start = ClipTime::toMs(*civil);

    // Every channel of the folder counts for gaps; only the names of the same second are
    // grouped, with the clip itself first so that it is the one its moment is built on.
    std::vector<char> channels;
    std::vector<TripClip> near{TripClip{clip, start, 0, own}};
    const size_t count = std::min(folder.size(), kMaxCompanionNames);
    for (size_t i = 0; i < count; ++i) {
        const std::string &name = folder[i];
        const char channel = ClipTime::channel(name);
        if (!channel || channel == own || !isVideoName(name))
            continue;
        const auto t = ClipTime::fromFileName(name);
        if (!t)
            continue;
        if (std::find(channels.begin(), channels.end(), channel) == channels.end())
            channels.push_back(channel);
        const int64_t ms = ClipTime::toMs(*t);
        if (ms >= start && ms - start < 1000)
            near.push_back(TripClip{name, ms, 0, channel});
    }
    std::sort(channels.begin(), channels.end(),
              [](char a, char b) { return ClipTime::channelRank(a) < ClipTime::channelRank(b); });

    // groupMoments puts a second claim of a channel in a moment of its own; every moment of
    // the clip's second is a claim.
    std::map<char, std::vector<std::string>> claims;
    for (const ClipMoment &m : groupMoments(near))
        if (m.startMs == start)
            for (const size_t k : m.clips)
                if (near[k].channel != own)
                    claims[near[k].channel].push_back(near[k].name);

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
        c.claims = it->second.size();
        c.gap = Companion::Gap::Unreadable;
        for (const std::string &name : it->second) {
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
