// A sync editor's key, from the socket to the screen, in frames. A scripted
// editor on a local socket greets the show, holds it paused (as the editor
// holds a show it has just linked) and answers its track requests; then it
// sends background:r keys, each at a random moment within a frame. The
// show runs as its loop does, paced at 60 frames a second: the idle step's
// pass over the link (show_follow_editor), then the frame of act 9 at
// 1920 x 1080 drawn off screen and its corner read back. A key's latency
// is the count of frames begun after it was sent, up to and including the
// first whose picture has the key's red: 1 is the next frame, the goal.
// Ends with the line
//   SET_KEY to screen: median N frames, worst W frames over K keys (median T ms)
#include <GL/gl.h>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_run.h"
#include "bench/captured_show.h"
#include "bench/quiet.h"
#include "show/show_app.h"
#include "show/show_session.h"
#include "show/show_tracks.h"
#include "show/show_view.h"
#include "sync/sync_link.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int32_t WIDTH = 1920;
constexpr int32_t HEIGHT = 1080;
constexpr int32_t FPS = 60;
constexpr int KEY_COUNT = 60;
constexpr auto FRAME = std::chrono::microseconds(1000000 / FPS);

std::vector<double> frames_per_key;
std::vector<double> ms_per_key;

// The editor's end: one connection, driven from its own thread.
struct ScriptedEditor {
    int listener = -1, peer = -1, port = 0;
    int32_t red_track = -1;  // background:r's index on this connection

    ScriptedEditor() {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(listener, 1) != 0) return;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~ScriptedEditor() {
        ::close(peer);
        ::close(listener);
    }
    bool receive(void* into, size_t count) {
        auto* bytes = static_cast<uint8_t*>(into);
        for (size_t got = 0; got < count;) {
            pollfd wait{peer, POLLIN, 0};
            if (::poll(&wait, 1, 5000) != 1) return false;
            const ssize_t now = ::recv(peer, bytes + got, count - got, 0);
            if (now <= 0) return false;
            got += static_cast<size_t>(now);
        }
        return true;
    }
    void send(const std::string& bytes) { ::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    static std::string u32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

    // Accepts the show, greets it, pauses it and reads its requests for
    // every track. true once background:r's index is known.
    bool link_up() {
        pollfd wait{listener, POLLIN, 0};
        if (::poll(&wait, 1, 5000) != 1 || (peer = ::accept(listener, nullptr, nullptr)) < 0) return false;
        std::string greeting(19, '\0');
        if (!receive(greeting.data(), greeting.size()) || greeting != "hello, synctracker!") return false;
        send("hello, demo!");
        send(std::string("\x04\x01", 2));  // PAUSE 1
        for (int32_t track = 0; track < SHOW_TRACK_COUNT; ++track) {
            uint8_t command = 0;
            uint32_t length = 0;
            if (!receive(&command, 1) || command != 2 || !receive(&length, 4)) return false;
            std::string name(ntohl(length), '\0');
            if (!receive(name.data(), name.size())) return false;
            if (name == "background:r") red_track = track;
        }
        return red_track >= 0;
    }
    void set_red(float value) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        send(std::string(1, '\0') + u32(static_cast<uint32_t>(red_track)) + u32(0) + u32(bits) + std::string(1, '\0'));
    }
};

// One frame as the live loop makes it, paced to FPS; the corner's red.
int frame(ShowContext& context, Clock::time_point begun) {
    show_follow_editor(context);
    show_frame_draw(context.session->scene, WIDTH, HEIGHT);
    std::array<uint8_t, 3> corner{};
    glReadPixels(4, 4, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, corner.data());
    std::this_thread::sleep_until(begun + FRAME);
    return corner[0];
}

void BM_SetKeyToScreen(benchmark::State& state) {
    CapturedShow show("p45", WIDTH, HEIGHT, FPS);
    ScriptedEditor editor;
    if (show.scene == nullptr || editor.port == 0) {
        state.SkipWithError("no EGL context, the show did not open, or no local socket");
        return;
    }
    ShowContext context;
    context.session = show.session;
    {
        Quiet quiet;  // the link's "connected" line
        context.link = sync_link_create("127.0.0.1", editor.port, &show.session->tracks->tracks);
        bool linked = false;
        std::thread editing([&] { linked = editor.link_up(); });
        for (int f = 0; f < 4 * FPS && context.transport.paused == 0; ++f) frame(context, Clock::now());
        editing.join();
        for (int f = 0; f < 4; ++f) frame(context, Clock::now());  // the requests answered, the pause taken
        if (!linked || context.transport.paused == 0) {
            state.SkipWithError("the show did not link up with the scripted editor");
            sync_link_destroy(context.link);
            return;
        }
    }
    std::mt19937 random(1338);
    std::uniform_int_distribution<int> within_a_frame(0, static_cast<int>(FRAME.count()) - 1);
    int key = 0;
    for (auto _ : state) {
        const float value = key++ % 2 == 0 ? 0.25f : 0.75f;
        const int expected = static_cast<int>(std::lround(value * 255.0f));
        std::atomic<int64_t> sent_at{0};
        std::thread sending([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(within_a_frame(random)));
            sent_at = Clock::now().time_since_epoch().count();
            editor.set_red(value);
        });
        int frames = 0;
        for (int f = 0; f < FPS; ++f) {
            const Clock::time_point begun = Clock::now();
            const bool after_the_key = sent_at.load() != 0 && begun.time_since_epoch().count() > sent_at.load();
            const int red = frame(context, begun);
            if (after_the_key) ++frames;
            if (after_the_key && std::abs(red - expected) <= 1) break;
        }
        sending.join();
        const double ms = (Clock::now().time_since_epoch().count() - sent_at.load()) / 1e6;
        frames_per_key.push_back(frames);
        ms_per_key.push_back(ms);
        state.SetIterationTime(ms / 1e3);
    }
    sync_link_destroy(context.link);
}
BENCHMARK(BM_SetKeyToScreen)->UseManualTime()->Iterations(KEY_COUNT)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    if (!run_benchmarks(argc, argv)) return 1;
    if (frames_per_key.empty()) return 1;
    std::printf("SET_KEY to screen: median %.0f frames, worst %.0f frames over %zu keys (median %.1f ms)\n",
                median_of(frames_per_key), *std::max_element(frames_per_key.begin(), frames_per_key.end()),
                frames_per_key.size(), median_of(ms_per_key));
    return 0;
}
