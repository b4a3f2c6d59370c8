// VideoEncoder: makes the picture of a forged file with ffmpeg: a moving test pattern
// with the camera's date and time burnt in, H.264 without B-frames, a key frame every
// second, written to an intermediate MP4 that Mp4Source then takes apart.
#pragma once

#include <cstdint>
#include <string>

// The frame code: a row of kFrameCodeBits squares along the top of the picture from a
// quarter of its width, each a twenty-fourth of the width wide and high, white for a 1 and black for
// a 0, the lowest bit first; frame n (from 0) carries n. Readers take the middle of
// each square.
constexpr int kFrameCodeBits = 16;

class VideoEncoder {
public:
    struct Job {
        std::string ffmpeg = "ffmpeg";
        int width = 640;
        int height = 360;
        int fps = 30;
        uint64_t frames = 0;
        int64_t clockStart = 0; // camera clock of the first frame, seconds since 1970
        std::string output;
        std::string mark;       // RRGGBB: the top left quarter of every picture in that colour
        bool frameCode = false; // every picture carries its frame number (FrameCode below)
        bool plateScene = false; // the picture is the plate scene of PlateScene.h

    };
    static bool encode(const Job& job, std::string& error);
};
