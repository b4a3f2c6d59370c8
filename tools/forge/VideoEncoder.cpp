#include "VideoEncoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char* findFont()
{
    static const char* candidates[] = {
        "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    };
    for (const char* path : candidates)
        if (access(path, R_OK) == 0)
            return path;
    return nullptr;
}

} // namespace

bool VideoEncoder::encode(const Job& job, std::string& error)
{
    const std::string size = std::to_string(job.width) + "x" + std::to_string(job.height);
    const std::string source = "testsrc2=size=" + size + ":rate=" + std::to_string(job.fps);
    const std::string gop = std::to_string(job.fps);
    std::string filter = "null";
    if (const char* font = findFont()) {
        // The camera clock, bottom left, the way dash cameras stamp their pictures.
        const int fontSize = std::max(10, job.height / 18);
        filter = std::string("drawtext=fontfile=") + font + ":fontsize=" + std::to_string(fontSize)
                 + ":fontcolor=white:box=1:boxcolor=black@0.6:x=8:y=h-th-8"
                 + ":text='%{pts\\:gmtime\\:" + std::to_string(job.clockStart) + "\\:%Y-%m-%d %T}'";
    }
    // A camera's own colour, so that the pictures of a moment's cameras tell apart.
    if (!job.mark.empty())
        filter = "drawbox=x=0:y=0:w=iw/4:h=ih/4:t=fill:color=0x" + job.mark + "," + filter;
    if (job.frameCode) {
        // Each square's colour follows a bit of the frame number `n`.
        std::string code = "drawbox=x=iw/4:y=0:w=" + std::to_string(kFrameCodeBits) + "*iw/24:h=iw/24:t=fill:color=black";
        for (int bit = 0; bit < kFrameCodeBits; ++bit)
            code += ",drawbox=x=iw/4+" + std::to_string(bit) + "*iw/24:y=0:w=iw/24:h=iw/24:t=fill:color=white"
                    + ":enable='mod(floor(n/" + std::to_string(1 << bit) + "),2)'";
        filter = code + "," + filter;
    }
    std::vector<std::string> args = {
        job.ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
        "-f", "lavfi", "-i", source, "-frames:v", std::to_string(job.frames), "-vf", filter,
        "-c:v", "libx264", "-preset", "ultrafast", "-crf", "34", "-bf", "0",
        "-g", gop, "-keyint_min", gop, "-sc_threshold", "0", "-pix_fmt", "yuv420p", "-threads", "2",
        "-fflags", "+bitexact", "-flags:v", "+bitexact", "-map_metadata", "-1", "-an",
        "-f", "mp4", job.output,
    };
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "veltra-forge: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = std::string("waitpid: ") + std::strerror(errno);
            return false;
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = job.ffmpeg + " failed (status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        return false;
    }
    return true;
}
