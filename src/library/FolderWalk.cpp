#include "FolderWalk.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace FolderWalk {
namespace {

constexpr size_t kMaxDepth = 64;

struct Walker {
    Result result;
    std::set<std::pair<dev_t, ino_t>> walking;   // the folders on the way down
    const std::atomic<bool> *cancel = nullptr;
    const std::function<void(size_t)> *onProgress = nullptr;

    bool stopped()
    {
        if (cancel && cancel->load()) {
            result.cancelled = true;
            return true;
        }
        return false;
    }

    void skip(const std::string &path, const std::string &reason) { result.skipped.push_back({shown(path), reason}); }

    void file(const std::string &path, const struct stat &st)
    {
        if (!S_ISREG(st.st_mode)) {
            skip(path, "Not a regular file");
            return;
        }
        if (!isUtf8(path)) {
            skip(path, "The name is not UTF-8");
            return;
        }
        FoundFile f;
        f.path = path;
        f.size = int64_t(st.st_size);
        f.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        f.mode = unsigned(st.st_mode);
        result.files.push_back(std::move(f));
        if (onProgress && *onProgress && result.files.size() % 256 == 0)
            (*onProgress)(result.files.size());
    }

    void folder(const std::string &path, const struct stat &st, size_t depth)
    {
        const auto key = std::make_pair(st.st_dev, st.st_ino);
        if (walking.count(key)) {
            skip(path, "A link back into a folder above it");
            return;
        }
        if (depth > kMaxDepth) {
            skip(path, "Folders nested too deep");
            return;
        }
        DIR *dir = ::opendir(path.c_str());
        if (!dir) {
            skip(path, std::strerror(errno));
            return;
        }
        walking.insert(key);
        std::vector<std::string> subfolders;
        errno = 0;
        while (dirent *entry = ::readdir(dir)) {
            if (stopped())
                break;
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || name.empty() || name[0] == '.')
                continue;
            const std::string child = path == "/" ? "/" + name : path + '/' + name;
            const bool video = isVideoName(name);
            // Only folders and video names are looked at: a stat of every other file
            // of a huge folder is time for nothing.
            if (!video && entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
                continue;
            struct stat cst;
            if (::stat(child.c_str(), &cst) != 0) {
                if (video || entry->d_type == DT_DIR)
                    skip(child, errno == ELOOP ? "A link that loops" : std::strerror(errno));
                continue;
            }
            if (S_ISDIR(cst.st_mode))
                subfolders.push_back(child);
            else if (video)
                file(child, cst);
        }
        ::closedir(dir);
        for (const std::string &sub : subfolders) {
            if (stopped())
                break;
            struct stat sst;
            if (::stat(sub.c_str(), &sst) == 0 && S_ISDIR(sst.st_mode))
                folder(sub, sst, depth + 1);
        }
        walking.erase(key);
    }
};

} // namespace

bool isVideoName(const std::string &name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot + 1);
    for (char &c : ext)
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == "mov" || ext == "mp4" || ext == "m4v" || ext == "3gp";
}

bool isUtf8(const std::string &s)
{
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        if (len == 2 && c < 0xC2)
            return false;
        uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; k < len; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d >> 6) != 2)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += len;
    }
    return true;
}

std::string shown(const std::string &bytes)
{
    if (isUtf8(bytes))
        return bytes;
    std::string out;
    for (const char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            static const char *hex = "0123456789ABCDEF";
            out += "\\x";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

Result walk(const std::vector<std::string> &roots, const std::atomic<bool> *cancel,
            const std::function<void(size_t)> &onProgress)
{
    Walker w;
    w.cancel = cancel;
    w.onProgress = &onProgress;
    for (std::string root : roots) {
        if (w.stopped())
            break;
        while (root.size() > 1 && root.back() == '/')
            root.pop_back();
        struct stat st;
        if (::stat(root.c_str(), &st) != 0) {
            if (errno == ENOENT || errno == ENOTDIR || errno == EIO || errno == ENODEV)
                w.result.unreachable.push_back(shown(root));
            else
                w.skip(root, std::strerror(errno));
            continue;
        }
        if (S_ISDIR(st.st_mode))
            w.folder(root, st, 0);
        else
            w.file(root, st);
    }
    return std::move(w.result);
}

} // namespace FolderWalk
