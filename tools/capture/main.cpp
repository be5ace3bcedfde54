// morva-capture: draws the show at moments of the music, the same way every
// time, without a screen or a sound card.
//
//   morva-capture [OPTIONS] --at T[,T...] --out DIR | --sheet FILE.png | --frames DIR
//
// See capture_usage() for the options.
#include <cstdio>

#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"

int main(int argc, char** argv) {
    CaptureOptions options;
    if (parse_capture_options(argc, argv, options) != 1) return CAPTURE_BAD_USAGE;
    if (options.help) {
        std::fputs(capture_usage(), stdout);
        return CAPTURE_OK;
    }
    return run_capture(options);
}
