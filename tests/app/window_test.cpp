// Window, application and callback dispatch without a display: everything
// here runs before (or without) a backend's loop.
#include "app/window.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <array>
#include <bit>
#include <vector>

#include "app/application.h"
#include "app/frame.h"
#include "app/glut_backend.h"
#include "app/style.h"
#include "tests/support/x11.h"

namespace {
constexpr int32_t NO_BACKEND = 7;

// What the recording callbacks saw, reached through the table's user data.
struct Calls {
    std::vector<int32_t> keys;
    std::vector<int32_t> specials;
    int32_t modifiers_seen_by_special = -1;
    int mouse = 0;
    int idle = 0;
};

// The codes as one array, so that a mismatch shows them all.
using CodeArray = std::array<int32_t, sizeof(KeyCodes) / sizeof(int32_t)>;
CodeArray codes_of(const KeyCodes& codes) { return std::bit_cast<CodeArray>(codes); }

Calls& calls_of(Window* window) { return *static_cast<Calls*>(window->callbacks->user_data); }

int32_t init_returning_five(Window*) { return 5; }
void record_idle(Window* w) { ++calls_of(w).idle; }
void record_key(Window* w, uint8_t key, int32_t, int32_t) { calls_of(w).keys.push_back(key); }
void record_special(Window* w, int32_t key, int32_t, int32_t) {
    calls_of(w).specials.push_back(key);
    calls_of(w).modifiers_seen_by_special = modifiers();
}
void record_mouse(Window* w, int32_t, int32_t, int32_t, int32_t) { ++calls_of(w).mouse; }

struct WindowTest : testing::Test {
    Application* application = Application::create();
    Window* window = nullptr;
    Calls calls;

    void TearDown() override {
        Window::destroy(window);
        Application::destroy(application);
        clear_modifier(~0);
    }

    CallbackTable* attach_recording_table() {
        return CallbackTable::create(window, &calls, init_returning_five, nullptr, record_idle,
                                     record_key, record_key, record_special, record_special,
                                     record_mouse, nullptr, nullptr, nullptr);
    }
};
}  // namespace

TEST_F(WindowTest, GlutWindowStartsWithItsRelativeSizeAndNoXlibBackend) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    EXPECT_EQ(application->window, window);
    EXPECT_EQ(window->relative_width(), 0.5);
    EXPECT_EQ(window->relative_height(), 0.5);
    EXPECT_EQ(window->geometry->screen_width, 0);  // GLUT learns it in run
    EXPECT_EQ(window->xlib, nullptr);
    EXPECT_EQ(window->native_handle(), 0u);
}

TEST_F(WindowTest, GlutBackendWritesGlutKeyCodes) {
    set_key_codes(XLIB_KEY_CODES);
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    EXPECT_EQ(codes_of(key_codes()), codes_of(GLUT_KEY_CODES));
}

// Each column holds what its library delivers, which application code
// compares with it: GLUT's constants, and X's keysyms (the left modifier
// keys standing for the modifiers), buttons, and press = 1.
TEST(KeyCodes, EachColumnIsItsLibrarysOwnNumbering) {
    const KeyCodes glut{GLUT_KEY_F1, GLUT_KEY_F2, GLUT_KEY_F3, GLUT_KEY_F4, GLUT_KEY_F5, GLUT_KEY_F6, GLUT_KEY_F7,
                        GLUT_KEY_F8, GLUT_KEY_F9, GLUT_KEY_F10, GLUT_KEY_F11, GLUT_KEY_F12, GLUT_KEY_LEFT, GLUT_KEY_UP,
                        GLUT_KEY_RIGHT, GLUT_KEY_DOWN, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN, GLUT_KEY_HOME,
                        GLUT_KEY_END, GLUT_KEY_INSERT, GLUT_ACTIVE_SHIFT, GLUT_ACTIVE_CTRL, GLUT_ACTIVE_ALT,
                        GLUT_LEFT_BUTTON, GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON, GLUT_DOWN, GLUT_UP};
    const KeyCodes xlib{XK_F1, XK_F2, XK_F3, XK_F4, XK_F5, XK_F6, XK_F7, XK_F8, XK_F9, XK_F10, XK_F11, XK_F12,
                        XK_Left, XK_Up, XK_Right, XK_Down, XK_Page_Up, XK_Page_Down, XK_Home, XK_End, XK_Insert,
                        XK_Shift_L, XK_Control_L, XK_Alt_L, Button1, Button2, Button3, 1, 0};
    EXPECT_EQ(codes_of(GLUT_KEY_CODES), codes_of(glut));
    EXPECT_EQ(codes_of(XLIB_KEY_CODES), codes_of(xlib));
}

TEST_F(WindowTest, UnknownKindGivesAWindowWithoutBackend) {
    window = Window::create(application, NO_BACKEND, 0, 0.25, 0.75);
    EXPECT_EQ(window->glut, nullptr);
    EXPECT_EQ(window->xlib, nullptr);
    EXPECT_EQ(window->backend(), nullptr);
    EXPECT_EQ(window->native_handle(), 0u);

    window->toggle_fullscreen();
    window->toggle_fps_report();
    window->process_events();
    window->set_relative_size(0.3, 0.4);
    EXPECT_EQ(window->relative_width(), 0.3);
    EXPECT_EQ(window->relative_height(), 0.4);

    char program[] = "morva";
    char* argv[] = {program, nullptr};
    window->run(1, argv);
    EXPECT_EQ(window->ran, 1);
}

TEST_F(WindowTest, ReshapeBeforeTheScreenIsKnownChangesNothing) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    window->glut->reshape(800, 600);
    EXPECT_EQ(window->relative_width(), 0.5);
    EXPECT_EQ(window->relative_height(), 0.5);
    EXPECT_EQ(window->glut->saved_relative_width, 0.5);

    // Before run, a new relative size is simply what the window will open with.
    window->set_relative_size(0.6, 0.7);
    EXPECT_EQ(window->relative_width(), 0.6);
    EXPECT_EQ(window->relative_height(), 0.7);

    // No GLUT window exists yet: nothing to make full screen.
    window->toggle_fullscreen();
    EXPECT_EQ(window->glut->fullscreen, 0);
}

TEST_F(WindowTest, SetStyleReplacesAndOwnsTheStore) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    EXPECT_EQ(window->style, nullptr);
    window->set_style(create_default_style());
    Style* second = Style::create();
    second->add_number("only", 1.0);
    window->set_style(second);  // the first store is destroyed here
    EXPECT_EQ(window->style, second);
    double number = 0.0;
    EXPECT_EQ(window->style->find_number("only", &number), 1);
    EXPECT_EQ(window->style->find_number("bg-color", &number), 0);
}

// The records' lifetimes: an application, its window and callback tables
// may be released in any order, and no record is left pointing at one
// already gone (the sanitizer build checks for reads of freed records and
// for leaks).
namespace {
enum class Step { CREATE_TABLE, RELEASE_TABLE, DESTROY_APPLICATION, DESTROY_WINDOW };

struct Lifetime {
    const char* name;
    std::vector<Step> steps;
};

const Lifetime LIFETIMES[] = {
    {"WindowThenApplication", {Step::CREATE_TABLE, Step::DESTROY_WINDOW, Step::DESTROY_APPLICATION}},
    {"ApplicationThenWindow", {Step::CREATE_TABLE, Step::DESTROY_APPLICATION, Step::DESTROY_WINDOW}},
    {"TableReleasedAfterTheApplication",
     {Step::CREATE_TABLE, Step::DESTROY_APPLICATION, Step::RELEASE_TABLE, Step::DESTROY_WINDOW}},
    {"SecondTableReplacesTheFirst",
     {Step::CREATE_TABLE, Step::CREATE_TABLE, Step::DESTROY_WINDOW, Step::DESTROY_APPLICATION}},
    {"SecondTableReleasedBeforeTheWindow",
     {Step::CREATE_TABLE, Step::CREATE_TABLE, Step::RELEASE_TABLE, Step::DESTROY_APPLICATION,
      Step::DESTROY_WINDOW}},
};

void PrintTo(const Lifetime& lifetime, std::ostream* out) { *out << lifetime.name; }

struct RecordLifetimes : WindowTest, testing::WithParamInterface<Lifetime> {
    CallbackTable* table = nullptr;  // the table created last, while alive

    void take(Step step) {
        switch (step) {
            case Step::CREATE_TABLE:
                table = attach_recording_table();
                EXPECT_EQ(window->callbacks, table);
                EXPECT_EQ(window->on_init(), 5);
                break;
            case Step::RELEASE_TABLE:
                CallbackTable::release(table);
                table = nullptr;
                EXPECT_EQ(window->callbacks, nullptr);
                break;
            case Step::DESTROY_APPLICATION: {
                Application::destroy(application);
                application = nullptr;
                if (window == nullptr) break;
                // The window stays whole and no longer knows the application.
                EXPECT_EQ(window->application, nullptr);
                EXPECT_EQ(window->relative_width(), 0.5);
                double width = 0.0;
                EXPECT_EQ(window->style->find_number("border-line-width", &width), 1);
                EXPECT_EQ(window->callbacks, table);
                break;
            }
            case Step::DESTROY_WINDOW:
                Window::destroy(window);  // releases the table attached, if any
                window = nullptr;
                table = nullptr;
                if (application != nullptr) {
                    EXPECT_EQ(application->window, nullptr);
                }
                break;
        }
    }
};
}  // namespace

TEST_P(RecordLifetimes, EndInAnyOrder) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    window->set_style(create_default_style());
    for (Step step : GetParam().steps) take(step);
}

INSTANTIATE_TEST_SUITE_P(WindowTest, RecordLifetimes, testing::ValuesIn(LIFETIMES),
                         [](const testing::TestParamInfo<Lifetime>& info) { return info.param.name; });

TEST_F(WindowTest, ReleaseDetachesTheTableAndLeavesItsUserDataToTheCaller) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    // The user data lies inside this fixture, not in a block of its own:
    // had release freed it, the allocator would abort on a pointer it never
    // handed out.
    CallbackTable::release(attach_recording_table());
    EXPECT_EQ(window->callbacks, nullptr);
    EXPECT_EQ(window->on_init(), 0);
    window->on_display();
    window->on_idle();
    window->on_key_down('a', 1, 2);
    window->on_key_up('a', 1, 2);
    window->on_special_down(100, 1, 2);
    window->on_special_up(100, 1, 2);
    window->on_mouse(0, 0, 1, 2);
    window->on_motion(1, 2);
    window->on_passive_motion(1, 2);
    window->on_wheel(0, 1, 1, 2);
    EXPECT_EQ(calls.idle, 0);
    EXPECT_EQ(calls.mouse, 0);
    EXPECT_TRUE(calls.keys.empty());
    EXPECT_TRUE(calls.specials.empty());
}

TEST_F(WindowTest, EntryPointsReachTheSlotsAndSkipMissingOnes) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    attach_recording_table();
    EXPECT_EQ(window->on_init(), 5);
    window->on_idle();
    window->on_idle();
    EXPECT_EQ(calls.idle, 2);
    window->on_mouse(0, 0, 10, 20);
    EXPECT_EQ(calls.mouse, 1);
    // Slots left empty in the table are skipped.
    window->on_display();
    window->on_motion(3, 4);
    window->on_passive_motion(3, 4);
    window->on_wheel(0, -1, 3, 4);
    EXPECT_EQ(calls.idle, 2);
    EXPECT_EQ(calls.mouse, 1);
}

TEST_F(WindowTest, KeysPassOnlyTheirLowEightBits) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    attach_recording_table();
    window->on_key_down(0x1B1, 0, 0);
    window->on_key_up(0xFF1B, 0, 0);  // the Xlib keysym of Escape
    window->on_key_down('q', 0, 0);
    EXPECT_EQ(calls.keys, (std::vector<int32_t>{0xB1, 27, 'q'}));
}

TEST_F(WindowTest, LeftModifierKeysSetTheModifierWordBeforeTheSlot) {
    window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    attach_recording_table();
    EXPECT_EQ(modifiers(), 0);

    window->on_special_down(112, 0, 0);  // left Shift
    EXPECT_EQ(calls.modifiers_seen_by_special, 1);
    window->on_special_down(114, 0, 0);  // left Control
    window->on_special_down(116, 0, 0);  // left Alt
    EXPECT_EQ(modifiers(), 1 | 2 | 4);

    window->on_special_down(113, 0, 0);  // right Shift changes nothing
    window->on_special_up(113, 0, 0);
    EXPECT_EQ(modifiers(), 7);

    window->on_special_up(114, 0, 0);
    EXPECT_EQ(modifiers(), 1 | 4);
    window->on_special_up(112, 0, 0);
    EXPECT_EQ(calls.modifiers_seen_by_special, 4);
    window->on_special_up(116, 0, 0);
    EXPECT_EQ(modifiers(), 0);
    EXPECT_EQ(calls.specials, (std::vector<int32_t>{112, 114, 116, 113, 113, 114, 112, 116}));
}

TEST(ProcessClock, CountsProcessorSeconds) {
    // Compared with the kernel's own account of the process's CPU time.
    auto cpu_seconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    };
    const double clock_before = clock_seconds();
    const double kernel_before = cpu_seconds();
    volatile double sink = 0.0;
    while (cpu_seconds() - kernel_before < 0.1)
        for (int i = 0; i < 10000; ++i) sink = sink + i * 0.5;
    const double by_clock = clock_seconds() - clock_before;
    const double by_kernel = cpu_seconds() - kernel_before;
    EXPECT_NEAR(by_clock, by_kernel, 0.02);
}
