// The link against an editor scripted here: a socket listening on
// 127.0.0.1 that sends the editor's bytes and checks the demo's.
#include "sync/sync_link.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sync/sync_tracks.h"

namespace {
using I = SyncInterpolation;
using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes u32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
// The editor's packets, and the demo's GET_TRACK.
Bytes set_key(uint32_t track, uint32_t row, uint32_t bits, uint8_t interpolation) {
    return Bytes{0} + u32(track) + u32(row) + u32(bits) + Bytes{interpolation};
}
Bytes delete_key(uint32_t track, uint32_t row) { return Bytes{1} + u32(track) + u32(row); }
Bytes get_track(const std::string& name) { return Bytes{2} + u32(uint32_t(name.size())) + text(name); }
Bytes set_row(uint32_t row) { return Bytes{3} + u32(row); }
constexpr uint32_t ONE_HALF_F = 0x3FC00000, MINUS_TWO_F = 0xC0000000, NAN_F = 0x7FC00000;
const Bytes CLIENT_GREETING = text("hello, synctracker!"), SERVER_GREETING = text("hello, demo!");

// Polls the link, gathering what it reports, until done() or 5 seconds.
template <typename Done>
bool poll_until(SyncLink* link, SyncLinkEvents* seen, Done done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < limit) {
        SyncLinkEvents e;
        sync_link_poll(link, &e);
        if (e.has_row) seen->has_row = true, seen->row = e.row;
        if (e.has_pause) seen->has_pause = true, seen->paused = e.paused;
        seen->save_asked |= e.save_asked;
        seen->keys_changed |= e.keys_changed;
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// The editor's end: bound to a free port on 127.0.0.1, listening once told.
struct Editor {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0), peer = -1;
    int32_t port = 0;
    Editor() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~Editor() { ::close(listener), ::close(peer); }
    void listen() { ASSERT_EQ(::listen(listener, 4), 0); }
    // Takes the link's next connection; an earlier one stays open till then.
    bool accept(SyncLink* link, SyncLinkEvents* seen) {
        const int earlier = peer;
        const bool accepted =
            poll_until(link, seen, [&] { return (peer = ::accept(listener, nullptr, nullptr)) >= 0; });
        ::close(earlier);
        return accepted;
    }
    Bytes receive(SyncLink* link, SyncLinkEvents* seen, size_t count) {
        Bytes got;
        poll_until(link, seen, [&] {
            uint8_t byte = 0;
            while (got.size() < count && ::recv(peer, &byte, 1, MSG_DONTWAIT) == 1) got.push_back(byte);
            return got.size() == count;
        });
        return got;
    }
    void send(const Bytes& bytes) { ASSERT_EQ(::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }
    // Takes the link's connection and greeting, and answers with greeting.
    void greet(SyncLink* link, SyncLinkEvents* seen, const Bytes& greeting = SERVER_GREETING) {
        ASSERT_TRUE(accept(link, seen));
        EXPECT_EQ(receive(link, seen, CLIENT_GREETING.size()), CLIENT_GREETING);
        send(greeting);
    }
};

std::string connected(const Editor& e) { return "sync: connected to the editor at 127.0.0.1:" + std::to_string(e.port) + "\n"; }

TEST(SyncLink, TakesTheEditorsKeysPauseAndRowAndSendsItsRowBack) {
    SyncTracks tracks;
    tracks.find_or_create("cam:x")->set_key({99, 5.0f, I::step});  // replaced by the editor's keys
    tracks.find_or_create("fade");
    Editor editor;
    editor.listen();
    testing::internal::CaptureStderr();
    SyncLink* link = sync_link_create("127.0.0.1", editor.port, &tracks);
    SyncLinkEvents seen;
    editor.greet(link, &seen);
    editor.send(Bytes{4, 1});
    EXPECT_EQ(editor.receive(link, &seen, 19), get_track("cam:x") + get_track("fade"));
    editor.send(set_key(0, 16, ONE_HALF_F, 1) + set_key(1, 32, MINUS_TWO_F, 3) + Bytes{3, 0});
    // The SET_ROW cut after its second byte waits for the rest; of the two
    // rows that then arrive in one poll the last counts.
    ASSERT_TRUE(poll_until(link, &seen, [&] { return tracks.at(1)->has_keys(); }));
    EXPECT_FALSE(seen.has_row);
    editor.send(Bytes{0, 1, 2} + set_row(300));
    ASSERT_TRUE(poll_until(link, &seen, [&] { return seen.has_row; }));
    EXPECT_EQ(seen.row, 300);
    EXPECT_TRUE(seen.has_pause && seen.paused && seen.keys_changed && !seen.save_asked);
    EXPECT_EQ(tracks.at(0)->keys, (std::vector<SyncKey>{{16, 1.5f, I::linear}}));
    EXPECT_EQ(tracks.at(1)->keys, (std::vector<SyncKey>{{32, -2.0f, I::ramp}}));

    // A track added later is requested; the row goes back once per change.
    tracks.find_or_create("late");
    sync_link_send_row(link, 42);
    sync_link_send_row(link, 42);
    sync_link_send_row(link, 43);
    EXPECT_EQ(editor.receive(link, &seen, 19), set_row(42) + set_row(43) + get_track("late"));
    seen = {};
    editor.send(delete_key(0, 16) + Bytes{4, 0, 5});
    ASSERT_TRUE(poll_until(link, &seen, [&] { return seen.save_asked; }));
    EXPECT_TRUE(seen.keys_changed && seen.has_pause && !seen.paused && tracks.at(0)->keys.empty());
    sync_link_destroy(link);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), connected(editor));
}

struct BadCase {
    const char* what;
    Bytes greeting;
    Bytes bytes;
    bool close;       // the editor closes after its bytes
    bool drops;       // the link drops the connection and connects again, else it reads on
    const char* why;  // the line's reason
};

void PrintTo(const BadCase& c, std::ostream* out) { *out << c.what; }

class SyncLinkTrouble : public testing::TestWithParam<BadCase> {};

TEST_P(SyncLinkTrouble, GivesOneLineAndGoesOn) {
    const BadCase& c = GetParam();
    SyncTracks tracks;
    tracks.find_or_create("a");
    tracks.find_or_create("b");
    Editor editor;
    editor.listen();
    testing::internal::CaptureStderr();
    SyncLink* link = sync_link_create("127.0.0.1", editor.port, &tracks);
    SyncLinkEvents seen;
    editor.greet(link, &seen, c.greeting);
    const bool greeted = c.greeting == SERVER_GREETING;
    if (greeted) {
        EXPECT_EQ(editor.receive(link, &seen, 12), get_track("a") + get_track("b"));
    }
    editor.send(c.bytes);
    if (c.close) ::close(editor.peer), editor.peer = -1;
    if (c.drops) {
        editor.greet(link, &seen);
        EXPECT_EQ(editor.receive(link, &seen, 12), get_track("a") + get_track("b"));
    }
    editor.send(set_key(1, 7, ONE_HALF_F, 2));
    EXPECT_TRUE(poll_until(link, &seen, [&] { return tracks.at(1)->has_keys(); })) << c.what;
    sync_link_destroy(link);
    const std::string where = "127.0.0.1:" + std::to_string(editor.port) + ": ";
    const std::string line = c.drops ? "sync: dropped the editor at " + where + c.why + ", trying again every second\n"
                                     : "sync: ignored a packet from the editor at " + where + c.why + "\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              (greeted ? connected(editor) : "") + line + (c.drops ? connected(editor) : "")) << c.what;
}

const BadCase TROUBLE[] = {
    {"unknown command", SERVER_GREETING, Bytes{7, 0, 0}, false, true, "unknown command 0x07"},
    {"GET_TRACK from the editor", SERVER_GREETING, get_track("a"), false, true, "unknown command 0x02"},
    {"bad greeting", text("hello, dome!"), {}, false, true, "it sent a bad greeting"},
    {"no greeting", {}, {}, false, true, "no greeting within 2 seconds"},
    {"a packet left unfinished", SERVER_GREETING, Bytes{0, 0, 0}, false, true, "a packet left unfinished for 2 seconds"},
    {"the editor closes", SERVER_GREETING, set_key(0, 1, ONE_HALF_F, 0), true, true, "it closed the connection"},
    {"track beyond those requested", SERVER_GREETING, set_key(2, 1, ONE_HALF_F, 0), false, false,
     "track 2, but 2 were requested"},
    {"row 2^31 in SET_KEY", SERVER_GREETING, set_key(0, 0x80000000, ONE_HALF_F, 0), false, false,
     "row 2147483648 is beyond 2^31 - 1"},
    {"row 2^32 - 1 in DELETE_KEY", SERVER_GREETING, delete_key(1, 0xFFFFFFFF), false, false,
     "row 4294967295 is beyond 2^31 - 1"},
    {"row 2^31 in SET_ROW", SERVER_GREETING, set_row(0x80000000), false, false, "row 2147483648 is beyond 2^31 - 1"},
    {"interpolation 4", SERVER_GREETING, set_key(1, 3, ONE_HALF_F, 4), false, false,
     "interpolation 4 (0 to 3 are known)"},
    {"a NaN value", SERVER_GREETING, set_key(0, 3, NAN_F, 1), false, false, "value nan"},
};
INSTANTIATE_TEST_SUITE_P(Packets, SyncLinkTrouble, testing::ValuesIn(TROUBLE));

TEST(SyncLink, WithoutAnEditorSaysSoOnceAndConnectsWhenItListens) {
    SyncTracks tracks;
    Editor editor;  // bound, not yet listening: connections are refused
    testing::internal::CaptureStderr();
    SyncLink* link = sync_link_create("127.0.0.1", editor.port, &tracks);
    SyncLinkEvents seen;
    // Over more than one retry, polls keep returning at once.
    int32_t polls = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1300);
    poll_until(link, &seen, [&] { return ++polls, std::chrono::steady_clock::now() > until; });
    EXPECT_GT(polls, 50);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "sync: no editor at 127.0.0.1:" + std::to_string(editor.port) + ", trying again every second\n");
    testing::internal::CaptureStderr();
    editor.listen();
    editor.greet(link, &seen);
    EXPECT_TRUE(poll_until(link, &seen, [&] { return sync_link_connected(link) == 1; }));
    sync_link_destroy(link);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), connected(editor));
}
}  // namespace
