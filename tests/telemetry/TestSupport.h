// A small test runner for the Qt-free telemetry core: named test functions, table rows
// named for their case, checks that report file, line and row, and a builder for
// hand-made byte fixtures (atoms, big- and little-endian integers, GPS blocks).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tst {

struct Registry {
    std::vector<std::pair<std::string, std::function<void()>>> tests;
    static Registry &instance()
    {
        static Registry r;
        return r;
    }
};

struct State {
    int failures = 0;
    int checks = 0;
    std::string row;   // the table row being checked
    static State &instance()
    {
        static State s;
        return s;
    }
};

struct Register {
    Register(const char *name, std::function<void()> fn)
    {
        Registry::instance().tests.emplace_back(name, std::move(fn));
    }
};

template <typename T>
std::string show(const T &v)
{
    std::ostringstream os;
    os.precision(17);
    os << v;
    return os.str();
}
inline std::string show(const std::string &v) { return "\"" + v + "\""; }
inline std::string show(const char *v) { return v ? "\"" + std::string(v) + "\"" : "null"; }
inline std::string show(bool v) { return v ? "true" : "false"; }

inline void fail(const char *file, int line, const std::string &what)
{
    State &s = State::instance();
    ++s.failures;
    std::fprintf(stderr, "FAIL %s:%d%s%s: %s\n", file, line, s.row.empty() ? "" : " row ",
                 s.row.c_str(), what.c_str());
}

template <typename A, typename B>
bool compare(const A &a, const B &b, const char *ea, const char *eb, const char *file, int line)
{
    ++State::instance().checks;
    if (a == b)
        return true;
    fail(file, line, std::string(ea) + " == " + eb + "  actual " + show(a) + " expected " + show(b));
    return false;
}

inline bool check(bool ok, const char *expr, const char *file, int line)
{
    ++State::instance().checks;
    if (!ok)
        fail(file, line, std::string("CHECK(") + expr + ")");
    return ok;
}

inline int runAll(int argc, char **argv)
{
    int ran = 0;
    for (auto &[name, fn] : Registry::instance().tests) {
        if (argc > 1 && name.find(argv[1]) == std::string::npos)
            continue;
        const int before = State::instance().failures;
        State::instance().row.clear();
        fn();
        ++ran;
        std::fprintf(stderr, "%s %s\n", State::instance().failures == before ? "PASS" : "FAIL", name.c_str());
    }
    std::fprintf(stderr, "%d tests, %d checks, %d failures\n", ran, State::instance().checks,
                 State::instance().failures);
    return State::instance().failures == 0 && ran > 0 ? 0 : 1;
}

// Sets the row name for the checks that follow, for the length of a scope.
struct Row {
    explicit Row(const std::string &name) { State::instance().row = name; }
    ~Row() { State::instance().row.clear(); }
};

// Byte fixtures ------------------------------------------------------------------

struct Bytes {
    std::vector<unsigned char> data;

    size_t size() const { return data.size(); }
    Bytes &raw(const void *p, size_t n)
    {
        // Grown, then copied into: GCC 12 at -O3 sees a range insert into a fresh vector as
        // a write past its end (a false -Wstringop-overflow).
        if (n == 0)
            return *this;
        const size_t at = data.size();
        data.resize(at + n);
        std::memcpy(data.data() + at, p, n);
        return *this;
    }
    Bytes &text(const std::string &s) { return raw(s.data(), s.size()); }
    Bytes &zeros(size_t n)
    {
        data.insert(data.end(), n, 0);
        return *this;
    }
    Bytes &be32(uint32_t v)
    {
        const unsigned char b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        return raw(b, 4);
    }
    Bytes &be16(uint16_t v)
    {
        const unsigned char b[2] = {uint8_t(v >> 8), uint8_t(v)};
        return raw(b, 2);
    }
    Bytes &be64(uint64_t v) { return be32(uint32_t(v >> 32)).be32(uint32_t(v)); }
    Bytes &le32(int32_t s)
    {
        const uint32_t v = uint32_t(s);
        const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        return raw(b, 4);
    }
    Bytes &append(const Bytes &o) { return raw(o.data.data(), o.data.size()); }
    // Pads with zeros up to `offset`.
    Bytes &padTo(size_t offset)
    {
        if (data.size() < offset)
            zeros(offset - data.size());
        return *this;
    }
    void patchBe32(size_t at, uint32_t v)
    {
        data[at] = uint8_t(v >> 24), data[at + 1] = uint8_t(v >> 16);
        data[at + 2] = uint8_t(v >> 8), data[at + 3] = uint8_t(v);
    }
};

// An atom with a correct 32-bit size around its content.
inline Bytes atom(const char *type, const Bytes &content = Bytes())
{
    Bytes b;
    b.be32(uint32_t(8 + content.size())).text(std::string(type, 4)).append(content);
    return b;
}

// A GPS block: 48 bytes of head, three little-endian readings, the sentence shifted by
// the key 0x0B, zeros to the end of the 128-byte text field.
inline Bytes gpsBlock(int32_t x, int32_t y, int32_t z, const std::string &sentence)
{
    Bytes b;
    b.zeros(48).le32(x).le32(y).le32(z);
    std::string shifted = sentence.substr(0, 128);
    for (char &c : shifted)
        c = char(uint8_t(c) + 0x0B);
    b.text(shifted).zeros(128 - shifted.size());
    return b;
}

// A scratch file under the temporary folder, removed with the object.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string &name = "fixture.MOV")
    {
        const char *dir = std::getenv("TMPDIR");
        char tmpl[512];
        std::snprintf(tmpl, sizeof tmpl, "%s/veltra-tst-XXXXXX", dir && *dir ? dir : "/tmp");
        const char *made = mkdtemp(tmpl);
        folder = made ? made : "/tmp";
        path = folder + "/" + name;
    }
    TempFile(const Bytes &b, const std::string &name = "fixture.MOV") : TempFile(name) { write(b); }
    ~TempFile()
    {
        std::remove(path.c_str());
        rmdir(folder.c_str());
    }
    void write(const Bytes &b) const
    {
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (!f)
            return;
        if (!b.data.empty())
            std::fwrite(b.data.data(), 1, b.data.size(), f);
        std::fclose(f);
    }
    std::string folder;
};

} // namespace tst

#define TST_CAT2(a, b) a##b
#define TST_CAT(a, b) TST_CAT2(a, b)
#define TEST(name)                                                                   \
    static void name();                                                              \
    static tst::Register TST_CAT(reg_, name)(#name, name);                           \
    static void name()
#define CHECK_EQ(a, b) tst::compare((a), (b), #a, #b, __FILE__, __LINE__)
#define CHECK(cond) tst::check(bool(cond), #cond, __FILE__, __LINE__)
#define TEST_MAIN()                                                                  \
    int main(int argc, char **argv) { return tst::runAll(argc, argv); }
