#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/analysis_snapshot.h"
#include "geometry/mesh_instance.h"
#include "geometry/rgb.h"
#include "show/show_state.h"
#include "show/text_line.h"

struct AudioTrack;
struct Scene;

// Moving the show to any moment, landing on exactly what a straight run
// from the start reaches there: the run a ShowClock makes at
// SEEK_UPDATES_PER_SECOND, whose analysis has heard every sample up to the
// moment and whose acts have updated once a frame. A jump restores the
// nearest earlier moment kept from such a run and replays the updates from
// there, without building any geometry until the moment is reached.

inline constexpr int32_t SEEK_UPDATES_PER_SECOND = 60;

// What the show is at one frame of the straight run, after that frame's
// update: everything the next update and the next picture depend on except
// the geometry, which follows from these values (show_rebuild_geometry).
struct ShowMoment {
    int64_t frame = 0;     // of the run
    int64_t position = 0;  // the track's play position, interleaved samples
    bool ended = false;    // the track had played to its end
    int32_t active = 0;    // the scene's flag
    AnalysisSnapshot analysis;
    ShowState values;  // the plain values; its pointers are not used
    MeshInstance figure;
    MeshInstance path_figure;
    std::array<MeshInstance, LATTICE_SIZE> cubes{};
    float path_scale = 1.0f;
    TextLine text;
};

// The moments of the straight run at every pattern start (index: pattern),
// taken by a pass over the whole track on a thread of its own at low
// priority, on a twin of the show with a track of its own over the same
// samples. Jumps replay on the show itself with a third track, so the
// track that plays is only ever handed the result. The fields are the
// plain reads; `moments` and `pass_frame` grow while the pass runs.
struct ShowMoments {
    std::vector<ShowMoment> moments;  // reserved for every pattern: never moved
    std::atomic<int32_t> taken{0};    // moments[0, taken) are there to read
    std::atomic<int64_t> pass_frame{-1};  // the frame the pass has reached
    std::atomic<bool> pass_done{false};
    std::atomic<bool> stopping{false};
    std::mutex lock;  // with `progress`, for a jump that waits for the first moment
    std::condition_variable progress;
    std::thread pass;
    Scene* scene = nullptr;              // borrowed: the show the moments are of
    AudioTrack* track = nullptr;         // borrowed: the track that plays it
    Scene* twin = nullptr;               // owned: the pass's show
    AudioTrack* twin_track = nullptr;    // owned, its samples borrowed
    AudioTrack* replay_track = nullptr;  // owned, its samples borrowed; the drawing thread's
    AnalysisSnapshot handed;             // what the playing track is handed after a jump
    double pass_wall_seconds = 0.0;      // what the whole pass took, once done
    double pass_cpu_seconds = 0.0;
};

// Starts the pass over a show that is set up and the track that times it,
// which the moments borrow; the show itself goes on at once (nothing waits
// for the pass but a jump beyond it).
ShowMoments* show_moments_start(Scene* scene, AudioTrack* track);

// Moves the show to `frame` of the straight run (clamped to the frames
// before the end of the track, and at most the run's last), as that run has
// it after that frame's update, geometry built. The track that plays jumps
// there too, taking the analysis with it, at its next block (a paused
// track stays paused). Beyond where the pass has got, replays from its
// last moment. Returns the frame reached.
int64_t show_moments_seek(ShowMoments* moments, int64_t frame);

// The first frame of the straight run that has reached the pattern's start
// (the last frame for a pattern the track ends before). The pattern is
// clamped to the show's patterns.
int64_t show_moments_pattern_frame(ShowMoments* moments, int32_t pattern);

// The first frame of the straight run whose play position has reached the
// time (or the end of the track), as a capture at that time stops.
int64_t show_seek_frame_at(const AudioTrack& track, double seconds);

// Stops the pass and releases the moments and their tracks.
void show_moments_destroy(ShowMoments* moments);

// The memory the moments hold, in bytes.
size_t show_moments_bytes(const ShowMoments* moments);
