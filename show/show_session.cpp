#include "show/show_session.h"

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "gui/font.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_acts.h"
#include "show/show_seek.h"
#include "show/show_state.h"
#include "show/show_tracks.h"
#include "sync/sync_source.h"

namespace {
// The credit line's letters are a tenth of the screen's height, however
// large the window showing them.
constexpr double FONT_HEIGHT_OF_SCREEN = 0.1;

ShowSession* failed(ShowSession* session) {
    show_session_close(session);
    return nullptr;
}

// The session's font, baked for its screen; 0 after the loader's message.
int32_t open_font(ShowSession& session, const char* path) {
    session.font = Font::create(session.height * FONT_HEIGHT_OF_SCREEN);
    return session.font->load(path, 1);
}

// The show's tracks over its rows, with the keys of the source when one is
// named; 0 after the reader's line.
int32_t open_tracks(ShowSession& session, const std::string& source, int32_t rows_per_pattern) {
    session.tracks = show_tracks_new(rows_per_pattern);
    return source.empty() ? 1 : sync_source_load(source, &session.tracks->tracks);
}

// The scene over the whole track, set up, once the track, the font and the
// tracks are in.
void open_scene(ShowSession& session) {
    session.scene = show_build(session.track, SHOW_PHASE_COUNT, SHOW_PATTERN_COUNT, session.font, session.width,
                               session.height);
    scene_set_window(session.scene, 0.0, session.track->length_seconds());
    scene_setup(session.scene);
    session.scene->state->tracks = session.tracks;
}
}  // namespace

// The keys are read before the music, the slow part, so that a document
// that does not read is said at once.
ShowSession* show_session_open(const ShowFiles& files, int32_t width, int32_t height) {
    auto* session = new ShowSession{nullptr, nullptr, nullptr, nullptr, nullptr, width, height};
    if (open_font(*session, files.font_path.c_str()) != 1) return failed(session);
    if (open_tracks(*session, files.tracks_source, files.rows_per_pattern) != 1) return failed(session);
    session->track = AudioTrack::create();
    if (session->track->open_file(files.music_path.c_str()) != 1) return failed(session);
    open_scene(*session);
    return session;
}

ShowSession* show_session_open_samples(SampleBuffer* samples, const char* font_path, int32_t width,
                                       int32_t height) {
    auto* session = new ShowSession{AudioTrack::create(), nullptr, nullptr, nullptr, nullptr, width, height};
    session->track->sample_buffer = samples;
    if (font_path != nullptr && open_font(*session, font_path) != 1) return failed(session);
    open_tracks(*session, "", DEFAULT_ROWS_PER_PATTERN);
    open_scene(*session);
    return session;
}

void show_session_start_moments(ShowSession* session) {
    if (session == nullptr || session->scene == nullptr || session->moments != nullptr) return;
    session->moments = show_moments_start(session->scene, session->track);
}

int64_t show_session_seek(ShowSession* session, int64_t frame) {
    if (session == nullptr || session->scene == nullptr) return -1;
    show_session_start_moments(session);
    return show_moments_seek(session->moments, frame);
}

int64_t show_session_pattern_frame(ShowSession* session, int32_t pattern) {
    if (session == nullptr || session->scene == nullptr) return -1;
    show_session_start_moments(session);
    return show_moments_pattern_frame(session->moments, pattern);
}

int64_t show_session_frame_at(const ShowSession* session, double seconds) {
    return session != nullptr ? show_seek_frame_at(*session->track, seconds) : 0;
}

void show_session_close(ShowSession* session) {
    if (session == nullptr) return;
    show_moments_destroy(session->moments);  // its pass reads the track's samples
    scene_destroy(session->scene);  // the scene borrows the track, the font and the tracks
    show_tracks_destroy(session->tracks);
    AudioTrack::destroy(session->track);
    Font::destroy(session->font);
    delete session;
}
