#include "Manifest.h"

#include "BinaryFile.h"
#include "Sha256.h"
#include "Utf8.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace {

void appendString(std::string &out, const std::string &s)
{
    out += '"';
    for (const char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

std::string seconds(double s)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.3f", std::isfinite(s) ? s : 0.0);
    return buf;
}

void appendFile(std::string &out, const ManifestFile &f, bool clip)
{
    out += "{\"name\":";
    appendString(out, f.name);
    if (clip) {
        out += ",\"path\":";
        appendString(out, f.path);
    }
    out += ",\"size\":" + std::to_string(f.size) + ",\"sha256\":";
    appendString(out, f.sha256);
    if (clip)
        out += ",\"camera_error_ms\":" + (f.cameraErrorMs ? std::to_string(*f.cameraErrorMs) : std::string("null"));
    out += '}';
}

// A JSON value, as far as a manifest needs one.
struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;   // a string, or a number's own digits
    std::vector<Value> items;
    std::map<std::string, Value> members;

    const Value *member(const char *name, Kind k) const
    {
        const auto it = members.find(name);
        return it != members.end() && it->second.kind == k ? &it->second : nullptr;
    }
};

class Parser {
public:
    explicit Parser(const std::string &text) : p_(text.data()), end_(text.data() + text.size()) {}

    bool document(Value *v)
    {
        if (!value(v, 0))
            return false;
        blanks();
        return p_ == end_ || fail("text after the manifest");
    }
    const std::string &error() const { return error_; }

private:
    static constexpr int kMaxDepth = 32;

    bool fail(const char *why)
    {
        if (error_.empty())
            error_ = why;
        return false;
    }
    void blanks()
    {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r'))
            ++p_;
    }
    bool literal(const char *word)
    {
        const size_t n = std::strlen(word);
        if (size_t(end_ - p_) < n || std::memcmp(p_, word, n) != 0)
            return fail("not JSON");
        p_ += n;
        return true;
    }
    bool value(Value *v, int depth)
    {
        if (depth > kMaxDepth)
            return fail("nested too deeply");
        blanks();
        if (p_ == end_)
            return fail("cut short");
        switch (*p_) {
        case '{': return object(v, depth);
        case '[': return array(v, depth);
        case '"': v->kind = Value::Kind::String; return string(&v->text);
        case 't': v->kind = Value::Kind::Bool; v->boolean = true; return literal("true");
        case 'f': v->kind = Value::Kind::Bool; return literal("false");
        case 'n': v->kind = Value::Kind::Null; return literal("null");
        default: return number(v);
        }
    }
    bool object(Value *v, int depth)
    {
        v->kind = Value::Kind::Object;
        ++p_;
        blanks();
        if (p_ < end_ && *p_ == '}') {
            ++p_;
            return true;
        }
        for (;;) {
            blanks();
            std::string name;
            if (p_ == end_ || *p_ != '"' || !string(&name))
                return fail("a member without a name");
            blanks();
            if (p_ == end_ || *p_++ != ':')
                return fail("a member without a value");
            Value member;
            if (!value(&member, depth + 1))
                return false;
            // A second value for one key would let a reader and a checker see two manifests.
            if (!v->members.emplace(name, std::move(member)).second)
                return fail("a key given twice");
            blanks();
            if (p_ == end_)
                return fail("cut short");
            if (*p_ == '}') {
                ++p_;
                return true;
            }
            if (*p_++ != ',')
                return fail("not JSON");
        }
    }
    bool array(Value *v, int depth)
    {
        v->kind = Value::Kind::Array;
        ++p_;
        blanks();
        if (p_ < end_ && *p_ == ']') {
            ++p_;
            return true;
        }
        for (;;) {
            Value item;
            if (!value(&item, depth + 1))
                return false;
            v->items.push_back(std::move(item));
            blanks();
            if (p_ == end_)
                return fail("cut short");
            if (*p_ == ']') {
                ++p_;
                return true;
            }
            if (*p_++ != ',')
                return fail("not JSON");
        }
    }
    bool unit(uint32_t *u)
    {
        if (end_ - p_ < 4)
            return fail("cut short");
        *u = 0;
        for (int i = 0; i < 4; ++i) {
            const int d = Utf8::hexDigit(*p_++);
            if (d < 0)
                return fail("a bad escape");
            *u = *u << 4 | uint32_t(d);
        }
        return true;
    }
    static void utf8(std::string *out, uint32_t c)
    {
        if (c < 0x80) {
            *out += char(c);
        } else if (c < 0x800) {
            *out += char(0xc0 | (c >> 6));
            *out += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            *out += char(0xe0 | (c >> 12));
            *out += char(0x80 | ((c >> 6) & 0x3f));
            *out += char(0x80 | (c & 0x3f));
        } else {
            *out += char(0xf0 | (c >> 18));
            *out += char(0x80 | ((c >> 12) & 0x3f));
            *out += char(0x80 | ((c >> 6) & 0x3f));
            *out += char(0x80 | (c & 0x3f));
        }
    }
    bool string(std::string *out)
    {
        ++p_;
        while (p_ < end_ && *p_ != '"') {
            const char c = *p_++;
            if (static_cast<unsigned char>(c) < 0x20)
                return fail("a control character in a string");
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (p_ == end_)
                return fail("cut short");
            const char e = *p_++;
            switch (e) {
            case '"': *out += '"'; break;
            case '\\': *out += '\\'; break;
            case '/': *out += '/'; break;
            case 'b': *out += '\b'; break;
            case 'f': *out += '\f'; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case 't': *out += '\t'; break;
            case 'u': {
                uint32_t u = 0;
                if (!unit(&u))
                    return false;
                if (u >= 0xd800 && u < 0xdc00) {   // a surrogate pair's first half
                    uint32_t low = 0;
                    if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u')
                        return fail("a lone surrogate");
                    p_ += 2;
                    if (!unit(&low) || low < 0xdc00 || low >= 0xe000)
                        return fail("a lone surrogate");
                    u = 0x10000 + ((u - 0xd800) << 10) + (low - 0xdc00);
                } else if (u >= 0xdc00 && u < 0xe000) {
                    return fail("a lone surrogate");
                }
                utf8(out, u);
                break;
            }
            default: return fail("a bad escape");
            }
        }
        if (p_ == end_)
            return fail("cut short");
        ++p_;
        return true;
    }
    bool number(Value *v)
    {
        const char *start = p_;
        if (p_ < end_ && *p_ == '-')
            ++p_;
        const auto digits = [this] {
            const char *from = p_;
            while (p_ < end_ && *p_ >= '0' && *p_ <= '9')
                ++p_;
            return p_ > from;
        };
        if (!digits())
            return fail("not JSON");
        if (p_ < end_ && *p_ == '.') {
            ++p_;
            if (!digits())
                return fail("not JSON");
        }
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            if (p_ < end_ && (*p_ == '+' || *p_ == '-'))
                ++p_;
            if (!digits())
                return fail("not JSON");
        }
        v->kind = Value::Kind::Number;
        v->text.assign(start, p_);
        v->number = std::strtod(v->text.c_str(), nullptr);
        return true;
    }

    const char *p_;
    const char *end_;
    std::string error_;
};

bool isDigest(const std::string &s)
{
    if (s.size() != 64)
        return false;
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// A whole number of bytes or milliseconds, written as digits only.
bool wholeNumber(const Value &v, bool allowNegative, int64_t *out)
{
    if (v.kind != Value::Kind::Number || v.text.empty())
        return false;
    const bool negative = v.text[0] == '-';
    if (v.text.size() > (negative ? 19u : 18u))   // 18 digits always fit
        return false;
    if (negative && !allowNegative)
        return false;
    int64_t n = 0;
    for (size_t i = negative ? 1 : 0; i < v.text.size(); ++i) {
        if (v.text[i] < '0' || v.text[i] > '9')
            return false;
        n = n * 10 + (v.text[i] - '0');
    }
    *out = negative ? -n : n;
    return true;
}

bool fileOf(const Value &v, bool clip, ManifestFile *f, std::string *error)
{
    const Value *name = v.member("name", Value::Kind::String);
    const Value *digest = v.member("sha256", Value::Kind::String);
    const auto size = v.members.find("size");
    int64_t bytes = 0;
    if (v.kind != Value::Kind::Object || !name || name->text.empty() || !digest || size == v.members.end() ||
        !wholeNumber(size->second, false, &bytes)) {
        *error = clip ? "a clip without its name, size or digest" : "a file without its name, size or digest";
        return false;
    }
    if (!isDigest(digest->text)) {
        *error = "a digest that is not 64 hex digits";
        return false;
    }
    f->name = name->text;
    f->size = uint64_t(bytes);
    f->sha256 = digest->text;
    if (!clip) {
        // Written files lie beside the manifest, nowhere else.
        if (f->name.find('/') != std::string::npos || f->name == "." || f->name == "..") {
            *error = "a file named with a folder";
            return false;
        }
        return true;
    }
    const Value *path = v.member("path", Value::Kind::String);
    f->path = path ? path->text : std::string();
    const auto clockError = v.members.find("camera_error_ms");
    int64_t ms = 0;
    if (clockError != v.members.end() && wholeNumber(clockError->second, true, &ms))
        f->cameraErrorMs = ms;
    return true;
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string baseName(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ManifestCheck check(const ManifestFile &f, const std::string &path, bool clip)
{
    ManifestCheck c;
    c.name = f.name;
    c.path = path;
    c.clip = clip;
    uint64_t size = 0;
    int error = 0;
    const std::string digest = Sha256::fileHex(path, &size, &error);
    if (digest.empty()) {
        c.state = error == ENOENT ? ManifestCheck::State::Missing : ManifestCheck::State::Unreadable;
        c.detail = BinaryFile::errorText(error);
    } else if (size != f.size) {
        c.state = ManifestCheck::State::Changed;
        c.detail = std::to_string(size) + " bytes, not " + std::to_string(f.size);
    } else if (digest != f.sha256) {
        c.state = ManifestCheck::State::Changed;
        c.detail = "its SHA-256 differs";
    } else {
        c.state = ManifestCheck::State::Same;
    }
    return c;
}

} // namespace

std::string ManifestJson::write(const Manifest &m)
{
    std::string out = "{\"manifest\":\"veltra-export\",\"format\":1,\"program\":";
    appendString(out, m.program);
    out += ",\"created_utc\":";
    appendString(out, m.createdUtc);
    out += ",\"marks\":{\"in\":" + seconds(m.markIn) + ",\"out\":" + seconds(m.markOut) + "},";
    if (m.redacted)
        out += "\"redacted\":true,\"redacted_marks\":" + std::to_string(m.redactedMarks) + ",";
    out += "\n\"clips\":[";
    for (size_t i = 0; i < m.clips.size(); ++i) {
        out += i ? ",\n" : "\n";
        appendFile(out, m.clips[i], true);
    }
    out += "],\n\"files\":[";
    for (size_t i = 0; i < m.files.size(); ++i) {
        out += i ? ",\n" : "\n";
        appendFile(out, m.files[i], false);
    }
    out += "]}\n";
    return out;
}

bool ManifestJson::parse(const std::string &text, Manifest *m, std::string *error)
{
    std::string dummy;
    if (!error)
        error = &dummy;
    Value root;
    Parser parser(text);
    if (!parser.document(&root)) {
        *error = "not a manifest: " + parser.error();
        return false;
    }
    const Value *kind = root.member("manifest", Value::Kind::String);
    const Value *format = root.member("format", Value::Kind::Number);
    if (!kind || kind->text != "veltra-export" || !format) {
        *error = "not a manifest of this program";
        return false;
    }
    if (format->text != "1") {
        *error = "a manifest of a later format (" + format->text + ")";
        return false;
    }
    const Value *clips = root.member("clips", Value::Kind::Array);
    const Value *files = root.member("files", Value::Kind::Array);
    if (!clips || !files) {
        *error = "a manifest without its clips or files";
        return false;
    }
    Manifest out;
    if (const Value *program = root.member("program", Value::Kind::String))
        out.program = program->text;
    if (const Value *created = root.member("created_utc", Value::Kind::String))
        out.createdUtc = created->text;
    if (const Value *marks = root.member("marks", Value::Kind::Object)) {
        if (const Value *in = marks->member("in", Value::Kind::Number))
            out.markIn = in->number;
        if (const Value *o = marks->member("out", Value::Kind::Number))
            out.markOut = o->number;
    }
    const auto redacted = root.members.find("redacted");
    if (redacted != root.members.end()) {
        int64_t count = 0;
        const auto marks = root.members.find("redacted_marks");
        if (redacted->second.kind != Value::Kind::Bool || marks == root.members.end()
            || !wholeNumber(marks->second, false, &count)) {
            *error = "a redacted manifest without its count of marks";
            return false;
        }
        out.redacted = redacted->second.boolean;
        out.redactedMarks = count;
    }
    for (const Value &v : clips->items) {
        ManifestFile f;
        if (!fileOf(v, true, &f, error))
            return false;
        out.clips.push_back(std::move(f));
    }
    for (const Value &v : files->items) {
        ManifestFile f;
        if (!fileOf(v, false, &f, error))
            return false;
        out.files.push_back(std::move(f));
    }
    *m = std::move(out);
    return true;
}

bool ManifestVerdict::allSame() const
{
    if (!read)
        return false;
    for (const ManifestCheck &c : checks)
        if (c.state != ManifestCheck::State::Same)
            return false;
    return true;
}

ManifestVerdict verifyManifest(const std::string &manifestPath)
{
    ManifestVerdict v;
    BinaryFile file;
    if (!file.open(manifestPath)) {
        v.error = BinaryFile::errorText(file.error());
        return v;
    }
    if (file.size() > kMaxManifestBytes) {
        v.error = "too large for a manifest";
        return v;
    }
    std::string text(size_t(file.size()), '\0');
    if (!text.empty() && file.readAt(0, text.data(), text.size()) != text.size()) {
        v.error = "cannot be read whole";
        return v;
    }
    Manifest m;
    if (!ManifestJson::parse(text, &m, &v.error))
        return v;
    v.read = true;
    v.redacted = m.redacted;
    v.redactedMarks = m.redactedMarks;
    const std::string folder = folderOf(manifestPath);
    for (const ManifestFile &clip : m.clips) {
        // A relative path is the manifest's folder's, wherever veltra-gps runs.
        const std::string from = clip.path.empty()          ? folder + "/" + baseName(clip.name)
                                 : clip.path.front() == '/' ? clip.path
                                                            : folder + "/" + clip.path;
        ManifestCheck c = check(clip, from, true);
        // A card copied elsewhere: the clip beside the manifest.
        if (c.state == ManifestCheck::State::Missing && !clip.path.empty()) {
            ManifestCheck beside = check(clip, folder + "/" + baseName(clip.name), true);
            if (beside.state != ManifestCheck::State::Missing)
                c = beside;
        }
        v.checks.push_back(c);
    }
    for (const ManifestFile &f : m.files)
        v.checks.push_back(check(f, folder + "/" + f.name, false));
    return v;
}
