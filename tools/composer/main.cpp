// morva-compose: writes the show's soundtrack.
//
//   morva-compose OUTPUT.ogg [SECONDS]
//
// 104 patterns of four beats in E minor; by default at 125 beats a minute
// (199.68 s). A shorter or longer length keeps the 104 patterns and
// changes the tempo, so every pattern boundary still falls on a downbeat.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/composer/dsp.h"
#include "tools/composer/effects.h"
#include "tools/composer/mix.h"
#include "tools/composer/ogg_file.h"
#include "tools/composer/score.h"

namespace {
constexpr int PATTERNS = 104;
constexpr double DEFAULT_BPM = 125.0;
constexpr double SHORTEST_SECONDS = 1.0;
constexpr double LONGEST_SECONDS = 3600.0;

int usage() {
    std::fprintf(stderr, "usage: morva-compose OUTPUT.ogg [SECONDS]\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return usage();
    const std::string output = argv[1];
    Timing timing;
    timing.pattern_count = PATTERNS;
    timing.beat_seconds = 60.0 / DEFAULT_BPM;
    if (argc == 3) {
        char* end = nullptr;
        const double seconds = std::strtod(argv[2], &end);
        if (end == argv[2] || *end != '\0' || !(seconds >= SHORTEST_SECONDS && seconds <= LONGEST_SECONDS)) {
            std::fprintf(stderr, "morva-compose: the length must be a number of seconds from %g to %g\n",
                         SHORTEST_SECONDS, LONGEST_SECONDS);
            return 2;
        }
        timing.beat_seconds = seconds / (PATTERNS * 4);
    }

    const size_t frames = static_cast<size_t>(std::llround(timing.total_seconds() * SAMPLE_RATE));
    Mix mix(frames);
    play_score(mix, timing);
    add_reverb(mix.reverb_send, mix.dry);
    add_echoes(mix.delay_send, mix.dry, timing.beat_seconds * 0.75, 0.38);
    const std::vector<float> track = master(mix.dry, std::fmin(0.4, timing.total_seconds() * 0.01));
    return write_ogg_vorbis(output, track) == 1 ? 0 : 1;
}
