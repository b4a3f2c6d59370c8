#include "VideoEncoder.h"

#include "PlateScene.h"

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
    std::vector<std::string> input = {"-f", "lavfi", "-i", source, "-vf", filter};
    if (job.plateScene) {
        // PlateScene.h's functions as ffmpeg's expressions of the frame's time t.
        const std::string W = std::to_string(job.width), H = std::to_string(job.height);
        const std::string fps = std::to_string(job.fps);
        const int pw = PlateScene::plateWidth(job.width), ph = PlateScene::plateHeight(job.width);
        const int side = PlateScene::objectSide(job.width);
        const std::string plateX = "'2*floor((" + W + "/2-" + std::to_string(pw) + "/2+0.3*" + W
                                   + "*sin(2*PI*t/8))/2)'";
        const std::string plateY = "'2*floor((0.55*" + H + "-" + std::to_string(ph) + "/2+0.08*" + H
                                   + "*sin(2*PI*t/5))/2)'";
        const std::string objectX = "'2*floor((" + W + "/2-" + std::to_string(side) + "/2)/2)'";
        const std::string objectY = "'2*floor((mod(t,4)/4*(" + H + "+" + std::to_string(side) + ")-"
                                    + std::to_string(side) + ")/2)'";
        // The plate: black characters on white in a black rim, or black bars without a font.
        std::string plate = "color=c=white:s=" + std::to_string(pw) + "x" + std::to_string(ph) + ":r=" + fps
                            + ",drawbox=x=0:y=0:w=iw:h=ih:t=" + std::to_string(std::max(2, ph / 12)) + ":color=black";
        for (int i = 0; i < 6; ++i)
            plate += ",drawbox=x=" + std::to_string(pw * (3 + i * 15) / 100) + ":y=ih/5:w="
                     + std::to_string(std::max(2, pw / 40)) + ":h=ih*" + (i % 2 ? "3/5" : "2/5") + ":t=fill:color=black";
        if (const char* font = findFont())
            plate += std::string(",drawtext=fontfile=") + font + ":fontsize=" + std::to_string(ph * 6 / 10)
                     + ":fontcolor=black:x=(w-tw)/2:y=(h-th)/2:text='KX 47 RD'";
        const std::string graph =
            "color=c=0x707870:s=" + size + ":r=" + fps + ",noise=alls=8:allf=t,format=yuv420p[ground];"
            + "testsrc=s=" + std::to_string(side) + "x" + std::to_string(side) + ":r=" + fps + "[object];"
            + plate + "[plate];"
            + "[ground][object]overlay=x=" + objectX + ":y=" + objectY + ":eof_action=pass[crossed];"
            + "[crossed][plate]overlay=x=" + plateX + ":y=" + plateY + "," + filter + "[out]";
        input = {"-filter_complex", graph, "-map", "[out]"};
    }
    std::vector<std::string> args = {job.ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    args.insert(args.end(), input.begin(), input.end());
    std::vector<std::string> rest = {
        "-frames:v", std::to_string(job.frames),
        "-c:v", "libx264", "-preset", "ultrafast", "-crf", job.plateScene ? "26" : "34", "-bf", "0",
        "-g", gop, "-keyint_min", gop, "-sc_threshold", "0", "-pix_fmt", "yuv420p", "-threads", "2",
        "-fflags", "+bitexact", "-flags:v", "+bitexact", "-map_metadata", "-1", "-an",
        "-f", "mp4", job.output,
    };
    args.insert(args.end(), rest.begin(), rest.end());
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
