#include "show/show_transport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/audio_track.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_session.h"
#include "show/show_state.h"
#include "show/show_tracks.h"

namespace {
int32_t last_pattern(const ShowSession& session) { return std::max(0, show_pattern_count(session.scene) - 1); }

// Moves to a frame of the straight run. A stream that stopped itself at
// the end of the music starts again, silent until it has taken the jump.
void go_to_frame(ShowSession& session, const ShowTransport& transport, int64_t frame) {
    AudioTrack& track = *session.track;
    const bool restart = track.device != nullptr && track.playing.load() == 0;
    if (restart) {
        track.set_paused(true);
        track.start();
    }
    show_session_seek(&session, frame);
    if (restart) track.set_paused(transport.paused != 0);
}

void go_to_pattern(ShowSession& session, const ShowTransport& transport, int32_t pattern) {
    pattern = std::clamp(pattern, 0, last_pattern(session));
    go_to_frame(session, transport, show_session_pattern_frame(&session, pattern));
}
}  // namespace

int32_t transport_pattern(const ShowSession& session) {
    const double length = show_pattern_length(session.scene);
    if (length <= 0.0) return 0;
    const auto pattern = static_cast<int32_t>(std::floor(session.scene->state->previous_time / length));
    return std::clamp(pattern, 0, last_pattern(session));
}

void transport_toggle_pause(ShowSession& session, ShowTransport& transport) {
    transport_set_paused(session, transport, transport.paused == 0);
}

void transport_set_paused(ShowSession& session, ShowTransport& transport, bool paused) {
    transport.paused = paused ? 1 : 0;
    session.track->set_paused(paused);
}

void transport_go_to_row(ShowSession& session, ShowTransport& transport, int32_t row) {
    const int32_t rows = session.tracks != nullptr ? session.tracks->rows_per_pattern : DEFAULT_ROWS_PER_PATTERN;
    const double seconds = static_cast<double>(row) / rows * show_pattern_length(session.scene);
    go_to_frame(session, transport, show_session_frame_at(&session, seconds));
}

void transport_step(ShowSession& session, ShowTransport& transport, int32_t patterns) {
    go_to_pattern(session, transport, transport_pattern(session) + patterns);
}

void transport_home(ShowSession& session, ShowTransport& transport) { go_to_pattern(session, transport, 0); }

void transport_loop_key(ShowSession& session, ShowTransport& transport) {
    const int32_t pattern = transport_pattern(session);
    if (transport.loop_last >= 0) {
        transport.loop_last = -1;
        transport.loop_mark = -1;
    } else if (transport.loop_mark >= 0 && pattern > transport.loop_mark) {
        transport.loop_last = pattern;
    } else {
        transport.loop_mark = pattern;
    }
}

void transport_tick(ShowSession& session, ShowTransport& transport) {
    if (transport.paused != 0) return;
    // The loop turns when the sound handed to the stream has reached the
    // end of its last pattern, so that the stream jumps within a block.
    if (transport.loop_last >= 0) {
        const double length = show_pattern_length(session.scene);
        if (length > 0.0 && session.track->position_seconds() / length >= transport.loop_last + 1) {
            go_to_pattern(session, transport, transport.loop_mark);
            return;
        }
    }
    scene_tick(session.scene);
}

std::string transport_status(const ShowSession& session, const ShowTransport& transport) {
    char line[96];
    int used = std::snprintf(line, sizeof line, "pattern %d  act %d", transport_pattern(session),
                             show_act(session.scene));
    if (transport.paused != 0) used += std::snprintf(line + used, sizeof line - used, "  paused");
    if (transport.loop_last >= 0)
        std::snprintf(line + used, sizeof line - used, "  loop %d-%d", transport.loop_mark, transport.loop_last);
    else if (transport.loop_mark >= 0)
        std::snprintf(line + used, sizeof line - used, "  mark %d", transport.loop_mark);
    return line;
}
