#include "bench/captured_show.h"

#include <string>

#include "app/frame.h"
#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "bench/music_like.h"
#include "bench/quiet.h"
#include "gui/font.h"
#include "show/scene.h"
#include "show/show.h"
#include "tools/capture/capture_time.h"
#include "tools/capture/gl_context.h"

namespace {
constexpr int MUSIC_SECONDS = 180;
const std::string FONT = std::string(MORVA_SOURCE_DIR) + "/font/HomeVideo-Regular.ttf";
}  // namespace

CapturedShow::CapturedShow(const char* moment, int32_t width, int32_t height, int32_t fps) {
    Quiet quiet;
    gl = GlContext::create(ContextChoice::egl, width, height);
    if (gl == nullptr) return;
    set_fixed_gl_state();
    font = Font::create(height * 0.1);
    font->load(FONT.c_str(), 1);
    track = AudioTrack::create();
    SampleBuffer* buffer = SampleBuffer::create();
    buffer->samples = music_like_samples(MUSIC_SECONDS);
    buffer->sample_count = static_cast<int32_t>(buffer->samples.size());
    buffer->channel_count = 2;
    buffer->frame_count = buffer->sample_count / 2;
    track->sample_buffer = buffer;
    scene = show_build(track, 13, 104, font, width, height);
    scene_set_window(scene, 0.0, track->length_seconds());
    scene_setup(scene);
    clock.track = track;
    clock.scene = scene;
    clock.fps = fps;
    CaptureTime until;
    parse_capture_time(moment, until);
    do clock.step();
    while (!time_reached(until, clock));
}

CapturedShow::~CapturedShow() {
    scene_destroy(scene);
    AudioTrack::destroy(track);
    Font::destroy(font);
    GlContext::destroy(gl);
}
