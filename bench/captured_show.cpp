#include "bench/captured_show.h"

#include <string>

#include "app/frame.h"
#include "audio/sample_buffer.h"
#include "bench/music_like.h"
#include "bench/quiet.h"
#include "show/show_session.h"
#include "tools/capture/capture_moments.h"
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
    SampleBuffer* buffer = SampleBuffer::create();
    buffer->samples = music_like_samples(MUSIC_SECONDS);
    buffer->sample_count = static_cast<int32_t>(buffer->samples.size());
    buffer->channel_count = 2;
    buffer->frame_count = buffer->sample_count / 2;
    session = show_session_open_samples(buffer, FONT.c_str(), width, height);
    if (session == nullptr) return;
    scene = session->scene;
    clock.track = session->track;
    clock.scene = scene;
    clock.fps = fps;
    CaptureTime until;
    parse_capture_time(moment, until);
    do clock.step();
    while (!time_reached(until, clock));
}

CapturedShow::~CapturedShow() {
    show_session_close(session);
    GlContext::destroy(gl);
}
