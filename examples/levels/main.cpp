// A sound file played through the sound server, with the 112 levels of its
// analysis drawn as bars: low frequencies on the left, a level of 1 (0 dB)
// the window's height. Escape quits; so does the end of the track.
//
//   levels [FILE] [freeglut options]    (WAV, FLAC or Ogg Vorbis; without a
//                                         file, the show's soundtrack)
#include <morva/app/application.h>
#include <morva/app/style.h>
#include <morva/app/window.h>
#include <morva/audio/audio_track.h>
#include <morva/gui/draw.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace {
AudioTrack* track = nullptr;

// The music starts once the window is there to show it.
int32_t init(Window*) {
    if (track->start() != 1) std::exit(1);
    return 1;
}

void idle(Window*) {
    if (track->playing.load() == 0) std::exit(0);  // the end of the track
}

// A colour from blue (low bins) through green to red (high bins).
Color bin_color(int bin) {
    const double t = static_cast<double>(bin) / (ANALYSIS_BINS - 1);
    return {std::clamp(2.0 * t - 1.0, 0.0, 1.0), 1.0 - std::abs(2.0 * t - 1.0), std::clamp(1.0 - 2.0 * t, 0.0, 1.0),
            1.0};
}

void display(Window* window) {
    std::array<float, ANALYSIS_BINS> levels{};
    {
        // The stream thread writes the levels after every block it plays.
        std::lock_guard<std::mutex> guard(track->lock);
        std::copy_n(track->levels.begin(), std::min<size_t>(levels.size(), track->levels.size()), levels.begin());
    }
    DrawState& state = *window->application->draw_state;
    const double width = window->geometry->pixel_width();
    const double height = window->geometry->pixel_height();
    const double bar = width / ANALYSIS_BINS;
    state.set_line_width(1.0);
    for (int bin = 0; bin < ANALYSIS_BINS; ++bin) {
        // The 2D projection counts pixels from the bottom-left corner.
        const double bar_height = std::max(1.0, levels[bin] * height * 0.9);
        state.set_fill_color(bin_color(bin));
        state.set_color(bin_color(bin));
        draw_rect(state, (bin + 0.5) * bar, bar_height / 2, bar * 0.8, bar_height);
    }
}

void key(Window*, uint8_t key, int32_t, int32_t) {
    if (key == 27) std::exit(0);
}
}  // namespace

int main(int argc, char** argv) {
    const char* file = argc > 1 && argv[1][0] != '-' ? argv[1] : MUSIC_PATH;
    track = AudioTrack::create();
    if (track->open_file(file) != 1) return 1;  // the loader has said why
    track->set_smoothing_ms(60.0f);
    Application* application = Application::create();
    Window* window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    CallbackTable::create(window, nullptr, init, display, idle, key, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr);
    window->set_style(create_default_style());
    // The first argument (the file) becomes the window's title.
    window->run(argc, argv);
    return 0;
}
