// What a movie file holds, read from its movie header: whether it has one (a file cut
// short by a full disk or a power cut has its media data and no moov), and its first
// video track's frames and length. Only headers and tables are read. Beside it the
// verdict a user is given on a file handed in: whole, empty, not a video, or ending
// early (and where).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct WrittenMovie {
    int64_t fileBytes = -1;    // -1 when the file cannot be opened
    bool looksLikeMovie = false;   // its first atom is one a movie file starts with
    bool hasMoov = false;
    bool hasVideo = false;
    size_t videoFrames = 0;    // samples of the first video track that start in the file (at most kMaxFrames)
    size_t wholeFrames = 0;    // those of them that also end in it
    size_t tableFrames = 0;    // the samples its table counts (at most kMaxFrames)
    double videoSeconds = 0;   // its media duration, 0 when unknown
    bool mediaCut = false;     // a top-level atom runs past the end of the file

    static WrittenMovie of(const std::string &path);

    static constexpr size_t kMaxFrames = 1 << 24;
};

// What a user is told of a recording handed in.
struct RecordingHealth {
    enum class Kind {
        Whole,          // plays as its header says (or cannot be told otherwise)
        Unreadable,     // cannot be opened
        Empty,          // 0 bytes
        NotAVideo,      // no movie structure, or no picture in it
        NoMovieHeader,  // media data without the header that says how to play it
        EndsEarly,      // the header promises more pictures than the file holds
    };
    Kind kind = Kind::Whole;
    double playableSeconds = 0;   // EndsEarly: where the last whole picture is

    static RecordingHealth of(const WrittenMovie &movie);
    bool operator==(const RecordingHealth &o) const { return kind == o.kind && playableSeconds == o.playableSeconds; }
};
