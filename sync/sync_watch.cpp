#include "sync/sync_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "sync/sync_source.h"

namespace {
constexpr int SETTLE_MS = 50;         // quiet time after the last change before reading
constexpr int LONGEST_SETTLE_MS = 1000;  // a source that keeps changing is read at least this often
constexpr uint32_t CHANGES = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;
}  // namespace

struct SyncWatch {
    std::string source;
    SyncTracks names;  // the tracks to read, without keys
    int inotify_fd = -1;
    std::array<int, 2> wake{-1, -1};  // a byte on wake[1] ends the thread
    std::thread thread;

    std::mutex lock;
    std::optional<SyncTracks> read;  // under lock: keys read and not yet taken
};

namespace {
// Reads what inotify has; true when one of the source's files changed.
// Never blocks (the descriptor is non-blocking).
bool source_changed(SyncWatch& watch) {
    alignas(inotify_event) std::array<char, 4096> buffer{};
    bool changed = false;
    for (;;) {
        const ssize_t got = ::read(watch.inotify_fd, buffer.data(), buffer.size());
        if (got <= 0) return changed;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            if (event->len > 0 && sync_source_has_file(watch.source, std::string_view(event->name)))
                changed = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

// Waits up to timeout_ms for inotify or the wake pipe. -1: woken to stop;
// 1: inotify has events; 0: the time passed.
int wait_for(SyncWatch& watch, int timeout_ms) {
    std::array<pollfd, 2> fds{{{watch.inotify_fd, POLLIN, 0}, {watch.wake[0], POLLIN, 0}}};
    int ready = 0;
    do ready = ::poll(fds.data(), fds.size(), timeout_ms);
    while (ready < 0 && errno == EINTR);
    if (ready < 0 || (fds[1].revents != 0)) return -1;
    return ready > 0 ? 1 : 0;
}

// After a change, waits until the folder has been quiet for SETTLE_MS (or
// LONGEST_SETTLE_MS have passed). false when woken to stop.
bool settle(SyncWatch& watch) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(LONGEST_SETTLE_MS);
    while (std::chrono::steady_clock::now() < give_up) {
        const int woke = wait_for(watch, SETTLE_MS);
        if (woke < 0) return false;
        if (woke == 0) return true;
        source_changed(watch);
    }
    return true;
}

void read_source(SyncWatch& watch) {
    SyncTracks fresh = watch.names;
    if (sync_source_load(watch.source, &fresh) != 1) return;  // the reader said why
    {
        std::lock_guard<std::mutex> held(watch.lock);
        watch.read = std::move(fresh);
    }
    std::fprintf(stderr, "sync: keys reloaded from %s\n", watch.source.c_str());
}

void watch_loop(SyncWatch* watch) {
    for (;;) {
        const int woke = wait_for(*watch, -1);
        if (woke < 0) return;
        if (!source_changed(*watch)) continue;
        if (!settle(*watch)) return;
        read_source(*watch);
    }
}

void close_descriptors(SyncWatch* watch) {
    for (int fd : {watch->inotify_fd, watch->wake[0], watch->wake[1]})
        if (fd >= 0) ::close(fd);
}
}  // namespace

SyncWatch* sync_watch_start(const std::string& source, const SyncTracks& tracks) {
    auto* watch = new SyncWatch{};
    watch->source = source;
    for (const SyncTrack& track : tracks.tracks) watch->names.find_or_create(track.name);
    const std::string folder = sync_source_folder(source);
    watch->inotify_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const bool watching = watch->inotify_fd >= 0 &&
                          inotify_add_watch(watch->inotify_fd, folder.c_str(), CHANGES | IN_ONLYDIR) >= 0 &&
                          pipe2(watch->wake.data(), O_CLOEXEC) == 0;
    if (!watching) {
        std::fprintf(stderr, "sync: cannot watch %s for changes: %s\n", folder.c_str(), std::strerror(errno));
        close_descriptors(watch);
        delete watch;
        return nullptr;
    }
    watch->thread = std::thread(watch_loop, watch);
    return watch;
}

void sync_watch_stop(SyncWatch* watch) {
    if (watch == nullptr) return;
    // One byte always fits in the pipe, which nothing else writes to.
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = ::write(watch->wake[1], &stop, 1);
    watch->thread.join();
    close_descriptors(watch);
    delete watch;
}

bool sync_watch_take(SyncWatch* watch, SyncTracks* out) {
    if (watch == nullptr) return false;
    std::lock_guard<std::mutex> held(watch->lock);
    if (!watch->read.has_value()) return false;
    *out = std::move(*watch->read);
    watch->read.reset();
    return true;
}
