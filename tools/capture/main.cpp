// morva-capture: draws the show at moments of the music, the same way every
// time, without a screen or a sound card.
//
//   morva-capture [OPTIONS] --at T[,T...] --out DIR | --sheet FILE.png | --frames DIR
//
// See capture_usage() for the options.
#include <csignal>
#include <cstdio>

#include "morva/version.h"
#include "show/show_files.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"

int main(int argc, char** argv) {
    // A launcher may hand SIGCHLD down ignored; then the children (ffmpeg,
    // the parts of --jobs, Xvfb) are reaped unseen and how they ended is lost.
    std::signal(SIGCHLD, SIG_DFL);
    CaptureOptions options;
    if (parse_capture_options(argc, argv, options) != 1) return CAPTURE_BAD_USAGE;
    if (options.help) {
        std::printf("%s\n%s", capture_usage(), show_files_help().c_str());
        return CAPTURE_OK;
    }
    if (options.version) {
        std::printf("morva-capture %s\n", MORVA_VERSION);
        return CAPTURE_OK;
    }
    return run_capture(options);
}
