// Runs a fuzz target over files and folders of inputs without libFuzzer: the kept
// regression inputs and the starting corpus replay in every build.
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

int replayFile(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

int replay(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return 0;
    if (!S_ISDIR(st.st_mode))
        return replayFile(path);
    int count = 0;
    if (DIR *d = opendir(path.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                count += replay(path + "/" + e->d_name);
        closedir(d);
    }
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    int count = 0;
    for (int i = 1; i < argc; ++i)
        count += replay(argv[i]);
#ifdef VELTRA_REPLAY_DIR
    if (argc == 1)
        count += replay(VELTRA_REPLAY_DIR);
#endif
    std::fprintf(stderr, "%d inputs replayed\n", count);
    return count > 0 ? 0 : 1;
}
