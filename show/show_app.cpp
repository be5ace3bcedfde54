#include "show/show_app.h"

#include <array>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "app/style.h"
#include "app/window.h"
#include "audio/audio_track.h"
#include "gui/draw.h"
#include "gui/knob.h"
#include "gui/parameter.h"
#include "gui/viewport.h"
#include "gui/widget.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_session.h"
#include "show/show_tracks.h"
#include "show/show_view.h"
#include "sync/sync_link.h"
#include "sync/sync_source.h"
#include "sync/sync_watch.h"

namespace {
constexpr uint8_t KEY_ESCAPE = 27;
constexpr uint8_t KEY_SPACE = 32;
constexpr int32_t PATTERNS_PER_PAGE = 8;  // a phase
constexpr const char* DEFAULT_SAVE_PREFIX = "tracks/show";
// The panel's status line: letters a thirtieth of the window's height, on
// a black band along its top, readable over any background.
constexpr double STATUS_HEIGHT_OF_WINDOW = 1.0 / 30.0;
constexpr double STROKE_FONT_UNITS = 119.0;  // the stroke font's height at size 10

constexpr size_t VIEWPORT = 0;
constexpr size_t KNOB_A = 1;
constexpr size_t KNOB_B = 2;

constexpr double KNOB_SIZE = 0.09090909090909091;  // an eleventh of the window's width
constexpr double KNOB_A_X = 0.08454545454545453;
constexpr double KNOB_B_X = 0.8245454545454546;
constexpr double KNOB_Y = 0.1009090909090909;

ShowContext* the_show = nullptr;

ShowContext& context_of(Window* window) { return *static_cast<ShowContext*>(window->callbacks->user_data); }

// The show's scene; none until the show is open.
Scene* scene_of(const ShowContext* context) {
    return context != nullptr && context->session != nullptr ? context->session->scene : nullptr;
}

void knob_a_changed(Parameter* parameter, void* data) {
    Scene* scene = scene_of(static_cast<ShowContext*>(data));
    if (scene != nullptr) scene_set_knob_a(scene, static_cast<float>(parameter->normalized()));
}

void knob_b_changed(Parameter* parameter, void* data) {
    Scene* scene = scene_of(static_cast<ShowContext*>(data));
    if (scene != nullptr) scene_set_knob_b(scene, static_cast<float>(parameter->normalized()));
}

// The scene in 3D, through the show's camera, inside the viewport's area.
void viewport_draw(Widget* viewport) { show_view_draw(scene_of(the_show), aspect(viewport)); }

Widget* make_knob(Window* window, ShowContext& context, size_t index, double x, ParameterChangeFn changed) {
    const WindowGeometry& geometry = *window->geometry;
    const double screen_aspect = static_cast<double>(geometry.screen_width) / geometry.screen_height;
    Widget* knob = create_knob(window->application, window->geometry, "turn", 1, 1, x, KNOB_Y, KNOB_SIZE,
                               screen_aspect * KNOB_SIZE);
    Parameter* parameter = Parameter::create(window, static_cast<int32_t>(index), 0.0);
    parameter->set_range(0.0, 1.0);
    parameter->set_label("");
    parameter->set_on_change(changed, &context);
    knob->set_parameter(parameter);
    context.parameters[index] = parameter;
    return knob;
}

// How often the sound ran dry, when it did: once, as the show's process
// ends, however it ends (Escape and closing the window end it with exit).
void report_underruns() {
    if (the_show == nullptr || the_show->session == nullptr) return;
    const uint32_t underruns = the_show->session->track->underruns.load();
    if (underruns > 0) std::fprintf(stderr, "sound: %u underruns\n", underruns);
}

// Creates the panel, switches to full screen and opens the show; the music
// starts last, so its play position times everything from then on. The
// show cannot go on without its files or its sound: a failure ends the
// program after the message of whatever failed.
int32_t show_init(Window* window) {
    ShowContext& context = context_of(window);
    const WindowGeometry& geometry = *window->geometry;
    show_create_panel(window, context);
    if (context.panel_visible == 0) window->toggle_fullscreen();
    context.session = show_session_open(context.files, geometry.screen_width, geometry.screen_height);
    if (context.session == nullptr) std::exit(1);
    static const int reporting_at_exit = std::atexit(report_underruns);  // once per process
    (void)reporting_at_exit;
    const int32_t started = context.session->track->start();
    if (started != 1) std::exit(1);
    // The moments a jump starts from are taken beside the show from now on.
    show_session_start_moments(context.session);
    SyncTracks& tracks = context.session->tracks->tracks;
    if (context.sync_port != 0) context.link = sync_link_create(context.sync_host.c_str(), context.sync_port, &tracks);
    if (!context.files.tracks_source.empty()) context.watch = sync_watch_start(context.files.tracks_source, tracks);
    return started;
}

// Where the player files go when the editor asks for them to be saved: the
// prefix the tracks came from (a document's path without .rocket), else
// tracks/show.
std::string save_prefix(const ShowContext& context) {
    const std::string& source = context.files.tracks_source;
    return source.empty() ? std::string(DEFAULT_SAVE_PREFIX) : sync_source_save_prefix(source);
}

// Keys read again from a changed --tracks source, swapped in between
// frames. While an editor is linked, the tracks it has sent keys for keep
// the editor's.
void take_reloaded_keys(ShowContext& context) {
    SyncTracks reloaded;
    if (!sync_watch_take(context.watch, &reloaded)) return;
    SyncTracks& tracks = context.session->tracks->tracks;
    for (int32_t index = 0; index < tracks.count() && index < reloaded.count(); ++index)
        if (sync_link_has_editor_keys(context.link, index) == 0)
            tracks.at(index)->keys = std::move(reloaded.at(index)->keys);
    if (context.transport.paused != 0) show_rebuild_geometry(context.session->scene);
}

void show_idle(Window* window) {
    ShowContext& context = context_of(window);
    Scene* scene = scene_of(&context);
    if (scene == nullptr) return;
    take_reloaded_keys(context);
    show_follow_editor(context);
    transport_tick(*context.session, context.transport);
    Rgb background{};
    show_background(scene, background);
    set_background(context.widgets[VIEWPORT], background[0], background[1], background[2]);
}

void draw_status(Window* window, const ShowContext& context) {
    if (context.session == nullptr) return;
    const std::string status = transport_status(*context.session, context.transport);
    DrawState& state = *window->application->draw_state;
    const double width = window->geometry->pixel_width();
    const double height = window->geometry->pixel_height();
    const double letters = height * STATUS_HEIGHT_OF_WINDOW;
    state.set_color({0.0, 0.0, 0.0, 1.0});
    state.set_fill_color({0.0, 0.0, 0.0, 1.0});
    draw_rect(state, width / 2.0, height - letters, width, 2.0 * letters);
    state.set_color({1.0, 1.0, 1.0, 1.0});
    state.set_fill_color({0.0, 0.0, 0.0, 0.0});
    draw_stroke_text(state, status.c_str(), letters / 2.0, height - 1.5 * letters, 10.0 * letters / STROKE_FONT_UNITS);
}

void show_display(Window* window) {
    ShowContext& context = context_of(window);
    if (context.widgets[VIEWPORT] == nullptr) return;
    context.widgets[VIEWPORT]->draw();
    if (context.panel_visible == 1) {
        context.widgets[KNOB_A]->draw();
        context.widgets[KNOB_B]->draw();
        draw_status(window, context);
    }
}

void show_key(Window* window, uint8_t key, int32_t, int32_t) {
    if (key == KEY_ESCAPE) std::exit(0);
    ShowContext& context = context_of(window);
    if (key == KEY_SPACE) {
        context.panel_visible = 1 - context.panel_visible;
        window->toggle_fullscreen();
        return;
    }
    if (context.session == nullptr) return;
    if (key == 'p' || key == 'P') transport_toggle_pause(*context.session, context.transport);
    if (key == 'l' || key == 'L') transport_loop_key(*context.session, context.transport);
}

// The keys that move through the show: a pattern back and forward, a phase
// back and forward, and back to the start.
void show_special(Window* window, int32_t key, int32_t, int32_t) {
    ShowContext& context = context_of(window);
    if (context.session == nullptr) return;
    const KeyCodes& codes = key_codes();
    ShowTransport& transport = context.transport;
    if (key == codes.KEY_LEFT) transport_step(*context.session, transport, -1);
    else if (key == codes.KEY_RIGHT) transport_step(*context.session, transport, 1);
    else if (key == codes.KEY_PAGE_UP) transport_step(*context.session, transport, -PATTERNS_PER_PAGE);
    else if (key == codes.KEY_PAGE_DOWN) transport_step(*context.session, transport, PATTERNS_PER_PAGE);
    else if (key == codes.KEY_HOME) transport_home(*context.session, transport);
}

// The knobs are never disabled: hidden, they still follow the pointer.
void show_mouse(Window* window, int32_t button, int32_t state, int32_t x, int32_t y) {
    for (Widget* widget : context_of(window).widgets)
        if (widget != nullptr) widget->handle_mouse(button, state, x, y);
}

void show_motion(Window* window, int32_t x, int32_t y) {
    for (Widget* widget : context_of(window).widgets)
        if (widget != nullptr) widget->handle_motion(x, y);
}

void ignore_key(Window*, uint8_t, int32_t, int32_t) {}
void ignore_special(Window*, int32_t, int32_t, int32_t) {}
void ignore_motion(Window*, int32_t, int32_t) {}
void ignore_wheel(Window*, int32_t, int32_t, int32_t, int32_t) {}
}  // namespace

Window* show_window_create(Application* application, double relative_width, double relative_height,
                           const ShowFiles& files) {
    Window* window = Window::create(application, BACKEND_GLUT, 0, relative_width, relative_height);
    auto* context = new ShowContext{};
    context->files = files;
    CallbackTable::create(window, context, show_init, show_display, show_idle, show_key, ignore_key,
                          show_special, ignore_special, show_mouse, show_motion, ignore_motion,
                          ignore_wheel);
    window->set_style(create_default_style());
    the_show = context;
    return window;
}

void show_teardown(Window* window) {
    if (window == nullptr || window->callbacks == nullptr) return;
    auto* context = static_cast<ShowContext*>(window->callbacks->user_data);
    window->callbacks->set_user_data(nullptr);
    if (context != nullptr) {
        for (Widget* widget : context->widgets)
            if (widget != nullptr) Widget::destroy(widget);
        for (Parameter* parameter : context->parameters) Parameter::destroy(parameter);
        if (the_show == context) report_underruns();
        sync_watch_stop(context->watch);
        sync_link_destroy(context->link);
        show_session_close(context->session);
        if (the_show == context) the_show = nullptr;
        delete context;
    }
    CallbackTable::release(window->callbacks);
}

ShowContext* show_context() { return the_show; }

void show_follow_editor(ShowContext& context) {
    if (context.link == nullptr) return;
    ShowSession& session = *context.session;
    SyncLinkEvents asked;
    sync_link_poll(context.link, &asked);
    if (asked.has_pause) transport_set_paused(session, context.transport, asked.paused);
    if (asked.has_row) transport_go_to_row(session, context.transport, asked.row);
    else if (asked.keys_changed && context.transport.paused != 0) show_rebuild_geometry(session.scene);
    if (asked.save_asked) {
        const std::string prefix = save_prefix(context);
        if (sync_source_save(session.tracks->tracks, prefix) == 1)
            std::fprintf(stderr, "sync: tracks saved as %s_<track>.track\n", prefix.c_str());
    }
    sync_link_send_row(context.link, static_cast<int32_t>(std::floor(show_row(session.scene))));
}

void show_create_panel(Window* window, ShowContext& context) {
    context.widgets[KNOB_A] = make_knob(window, context, KNOB_A, KNOB_A_X, knob_a_changed);
    context.widgets[KNOB_B] = make_knob(window, context, KNOB_B, KNOB_B_X, knob_b_changed);
    context.widgets[VIEWPORT] = create_viewport(window->application, window->geometry, "", 0, 0, viewport_draw,
                                                0.0, 0.0, 1.0, 1.0, 0);
    context.parameters[VIEWPORT] = nullptr;
}
