// The manifest an exported set carries as its proof: the SHA-256 and size of every
// original clip and of every file written, the marks, the camera clock's error and the
// program that wrote them, as JSON. Written by the player beside its exports, checked
// by veltra-gps --verify.
//
//   {"manifest":"veltra-export","format":1,"program":"Veltra Player 1.5.0",
//    "created_utc":"2026-12-09T21:30:00Z","marks":{"in":12.5,"out":30},
//    "redacted":true,"redacted_marks":3,   (only a copy with areas blurred)
//    "clips":[{"name":"A.MOV","path":"/card/A.MOV","size":123,"sha256":"…","camera_error_ms":3604000}],
//    "files":[{"name":"incident.mp4","size":45,"sha256":"…"}]}
//
// The files written are named as they lie beside the manifest; the clips by the path
// they were read from (a relative one from the manifest's folder), and are looked for
// beside the manifest when they are not there. A redacted copy names its originals as
// clips, with their own digests; the copy's files are not the originals' bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ManifestFile {
    std::string name;   // a clip: its file name; a file written: its name beside the manifest
    std::string path;   // a clip: where it was read from; empty for a file written
    uint64_t size = 0;
    std::string sha256;   // 64 lower-case hex digits
    std::optional<int64_t> cameraErrorMs;   // a clip: its camera clock's error, when known
};

struct Manifest {
    std::string program;      // "Veltra Player 1.5.0"
    std::string createdUtc;   // "2026-12-09T21:30:00Z"
    double markIn = 0, markOut = 0;   // seconds of the clip
    bool redacted = false;            // areas of the copy are blurred
    int64_t redactedMarks = 0;        // how many marks were blurred, over all clips
    std::vector<ManifestFile> clips, files;
};

namespace ManifestJson {

std::string write(const Manifest &m);
// False (with `error` saying why) for anything but a manifest of this format: JSON that
// does not parse, nesting deeper than 32, a missing or mistyped field, a digest that is
// not 64 hex digits, a written file named with a folder, a key given twice in an object.
bool parse(const std::string &text, Manifest *m, std::string *error);

} // namespace ManifestJson

// What checking one file of a manifest found.
struct ManifestCheck {
    enum class State { Same, Changed, Missing, Unreadable };
    std::string name;
    std::string path;   // where it was looked at
    bool clip = false;
    State state = State::Missing;
    std::string detail;   // for Changed: what differs; for Unreadable: the system's reason
};

struct ManifestVerdict {
    bool read = false;        // the manifest itself could be read and parsed
    std::string error;        // why not
    std::vector<ManifestCheck> checks;   // clips first, then the files written
    bool redacted = false;    // the files written are a redacted copy of the clips
    int64_t redactedMarks = 0;
    bool allSame() const;
};

// Checks every file the manifest at `manifestPath` names against its size and digest.
ManifestVerdict verifyManifest(const std::string &manifestPath);
// The manifests are small; a larger file is not one.
constexpr int64_t kMaxManifestBytes = 4 << 20;
