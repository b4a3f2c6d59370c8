// libFuzzer target: one input is the text of an export's manifest. What the reader takes
// must be what the writer can write again: reading that back gives the same manifest,
// every digest is 64 hex digits and no written file names a folder.
#include "Manifest.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

bool same(const ManifestFile &a, const ManifestFile &b, bool clip)
{
    return a.name == b.name && a.size == b.size && a.sha256 == b.sha256 &&
           (!clip || (a.path == b.path && a.cameraErrorMs == b.cameraErrorMs));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Manifest m;
    std::string error;
    if (!ManifestJson::parse(std::string(reinterpret_cast<const char *>(data), size), &m, &error)) {
        if (error.empty())
            broken("refused without a reason");
        return 0;
    }
    for (const ManifestFile &f : m.files)
        if (f.name.find('/') != std::string::npos || f.name.empty())
            broken("a written file named with a folder, or not at all");
    for (const auto *list : {&m.clips, &m.files})
        for (const ManifestFile &f : *list)
            if (f.sha256.size() != 64 || f.sha256.find_first_not_of("0123456789abcdef") != std::string::npos)
                broken("a digest that is not 64 hex digits");
    Manifest again;
    if (!ManifestJson::parse(ManifestJson::write(m), &again, &error))
        broken("what was read cannot be written and read again");
    if (again.program != m.program || again.createdUtc != m.createdUtc || again.clips.size() != m.clips.size() ||
        again.files.size() != m.files.size())
        broken("the manifest changed on its way round");
    for (size_t i = 0; i < m.clips.size(); ++i)
        if (!same(again.clips[i], m.clips[i], true))
            broken("a clip changed on its way round");
    for (size_t i = 0; i < m.files.size(); ++i)
        if (!same(again.files[i], m.files[i], false))
            broken("a file changed on its way round");
    return 0;
}
