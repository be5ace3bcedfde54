#include "sync/sync_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sync/sync_tracks.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr std::string_view CLIENT_GREETING = "hello, synctracker!";
constexpr std::string_view SERVER_GREETING = "hello, demo!";
constexpr auto RETRY_INTERVAL = std::chrono::seconds(1);
constexpr auto STALL_LIMIT = std::chrono::seconds(2);
constexpr size_t READ_LIMIT = 64 * 1024;  // per poll, so a flood cannot hold up a frame

// ---------------------------------------------------------------------------
// Packets

// Payload bytes after the command byte, or -1 for a command the editor does
// not send.
int32_t payload_size(uint8_t command) {
    switch (static_cast<SyncCommand>(command)) {
        case SyncCommand::set_key: return 13;
        case SyncCommand::delete_key: return 8;
        case SyncCommand::set_row: return 4;
        case SyncCommand::pause: return 1;
        case SyncCommand::save_tracks: return 0;
        case SyncCommand::get_track: return -1;
    }
    return -1;
}

uint32_t get_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

template <typename... Args>
SyncPacketStatus refuse(SyncPacket* out, SyncPacketStatus status, const char* format, Args... args) {
    std::snprintf(out->why.data(), out->why.size(), format, args...);
    return status;
}

// Checks a row field; false (with why) for 2^31 or more.
bool take_row(uint32_t raw, SyncPacket* out) {
    if (raw > INT32_MAX) {
        std::snprintf(out->why.data(), out->why.size(), "row %u is beyond 2^31 - 1", raw);
        return false;
    }
    out->row = static_cast<int32_t>(raw);
    return true;
}

// Checks a track field against the tracks requested; false (with why).
bool take_track(uint32_t raw, int32_t track_count, SyncPacket* out) {
    if (track_count < 0 || raw >= static_cast<uint32_t>(track_count)) {
        std::snprintf(out->why.data(), out->why.size(), "track %u, but %d were requested", raw, track_count);
        return false;
    }
    out->track = static_cast<int32_t>(raw);
    return true;
}
}  // namespace

SyncPacketStatus sync_packet_parse(const uint8_t* bytes, size_t size, int32_t track_count, SyncPacket* out) {
    *out = SyncPacket{};
    if (size == 0) return SyncPacketStatus::need_more;
    const int32_t payload = payload_size(bytes[0]);
    if (payload < 0) return refuse(out, SyncPacketStatus::bad_command, "unknown command 0x%02X", bytes[0]);
    const size_t whole = 1 + static_cast<size_t>(payload);
    if (size < whole) return SyncPacketStatus::need_more;
    out->command = static_cast<SyncCommand>(bytes[0]);
    out->size = whole;
    const uint8_t* p = bytes + 1;
    bool usable = true;
    switch (out->command) {
        case SyncCommand::set_key: {
            usable = take_track(get_u32(p), track_count, out) && take_row(get_u32(p + 4), out);
            const uint32_t bits = get_u32(p + 8);
            std::memcpy(&out->value, &bits, sizeof out->value);
            if (usable && !std::isfinite(out->value)) {
                std::snprintf(out->why.data(), out->why.size(), "value %g", static_cast<double>(out->value));
                usable = false;
            } else if (usable && p[12] >= SYNC_INTERPOLATION_COUNT) {
                std::snprintf(out->why.data(), out->why.size(), "interpolation %u (0 to 3 are known)", p[12]);
                usable = false;
            }
            out->interpolation = static_cast<SyncInterpolation>(usable ? p[12] : 0);
            break;
        }
        case SyncCommand::delete_key:
            usable = take_track(get_u32(p), track_count, out) && take_row(get_u32(p + 4), out);
            break;
        case SyncCommand::set_row: usable = take_row(get_u32(p), out); break;
        case SyncCommand::pause: out->paused = p[0] != 0; break;
        case SyncCommand::save_tracks:
        case SyncCommand::get_track: break;
    }
    return usable ? SyncPacketStatus::complete : SyncPacketStatus::bad_value;
}

// ---------------------------------------------------------------------------
// The link's state

enum class LinkState : uint8_t { unreachable, waiting, connecting, greeting, connected };

struct SyncLink {
    SyncTracks* tracks = nullptr;  // borrowed
    std::string where;             // "HOST:PORT", for the messages
    std::vector<sockaddr_storage> addresses;
    std::vector<socklen_t> address_sizes;
    size_t next_address = 0;

    LinkState state = LinkState::unreachable;
    int fd = -1;
    Clock::time_point next_attempt{};  // waiting: when to try again
    Clock::time_point stall_since{};   // greeting, or a packet cut off: since when
    bool quiet = false;                // a failed attempt says nothing (already said, or said why the link dropped)

    std::vector<uint8_t> incoming;  // received and not yet parsed
    std::vector<uint8_t> outgoing;  // queued and not yet taken by the socket
    int32_t requested = 0;          // tracks requested on this connection
    std::vector<bool> sent_keys;    // per track: the editor has sent it a key on this connection
    int32_t last_row_sent = -1;
    bool row_sent = false;
};

namespace {
void close_socket(SyncLink* link) {
    if (link->fd >= 0) ::close(link->fd);
    link->fd = -1;
    link->incoming.clear();
    link->outgoing.clear();
    link->requested = 0;
    link->sent_keys.clear();
    link->row_sent = false;
}

void wait_a_second(SyncLink* link) {
    close_socket(link);
    link->state = LinkState::waiting;
    link->next_attempt = Clock::now() + RETRY_INTERVAL;
}

void drop(SyncLink* link, const char* why) {
    std::fprintf(stderr, "sync: dropped the editor at %s: %s, trying again every second\n", link->where.c_str(), why);
    link->quiet = true;
    wait_a_second(link);
}

// A connection attempt that failed. The next address is tried at the next
// poll; after the last one, a second later.
void attempt_failed(SyncLink* link) {
    close_socket(link);
    link->next_address = (link->next_address + 1) % link->addresses.size();
    if (link->next_address != 0) {
        link->state = LinkState::waiting;
        link->next_attempt = Clock::now();
        return;
    }
    if (!link->quiet)
        std::fprintf(stderr, "sync: no editor at %s, trying again every second\n", link->where.c_str());
    link->quiet = true;
    wait_a_second(link);
}

// Hands the socket what it takes of outgoing without waiting. 0 when the
// connection failed (and was dropped).
int32_t flush(SyncLink* link) {
    while (!link->outgoing.empty()) {
        const ssize_t sent =
            ::send(link->fd, link->outgoing.data(), link->outgoing.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 1;
        if (sent < 0) {
            drop(link, std::strerror(errno));
            return 0;
        }
        link->outgoing.erase(link->outgoing.begin(), link->outgoing.begin() + sent);
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Connecting

void start_attempt(SyncLink* link) {
    const sockaddr_storage& address = link->addresses[link->next_address];
    link->fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (link->fd < 0) return attempt_failed(link);
    const int status = ::connect(link->fd, reinterpret_cast<const sockaddr*>(&address),
                                 link->address_sizes[link->next_address]);
    if (status < 0 && errno != EINPROGRESS) return attempt_failed(link);
    link->state = LinkState::connecting;
}

// Sends the greeting once the connection is made.
void check_connecting(SyncLink* link) {
    pollfd ready{link->fd, POLLOUT, 0};
    if (::poll(&ready, 1, 0) == 0) return;
    int error = 0;
    socklen_t error_size = sizeof error;
    if (::getsockopt(link->fd, SOL_SOCKET, SO_ERROR, &error, &error_size) < 0 || error != 0)
        return attempt_failed(link);
    link->outgoing.assign(CLIENT_GREETING.begin(), CLIENT_GREETING.end());
    if (!flush(link)) return;
    link->state = LinkState::greeting;
    link->stall_since = Clock::now();
}

// Queues a GET_TRACK for every track not yet requested on this connection.
void request_tracks(SyncLink* link) {
    while (link->requested < link->tracks->count()) {
        const SyncTrack* track = link->tracks->at(link->requested++);
        link->sent_keys.push_back(false);
        link->outgoing.push_back(static_cast<uint8_t>(SyncCommand::get_track));
        put_u32(link->outgoing, static_cast<uint32_t>(track->name.size()));
        link->outgoing.insert(link->outgoing.end(), track->name.begin(), track->name.end());
    }
}

// ---------------------------------------------------------------------------
// Receiving

// Reads what has arrived, up to READ_LIMIT. 0 when the connection ended
// (and was dropped); the bytes read before the end are kept for parsing.
int32_t receive(SyncLink* link, const char** ended) {
    std::array<uint8_t, 4096> chunk{};
    size_t total = 0;
    while (total < READ_LIMIT) {
        const ssize_t got = ::recv(link->fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 1;
        if (got <= 0) {
            *ended = got == 0 ? "it closed the connection" : std::strerror(errno);
            return 0;
        }
        link->incoming.insert(link->incoming.end(), chunk.begin(), chunk.begin() + got);
        total += static_cast<size_t>(got);
    }
    return 1;
}

// The track a key from the editor goes to. The editor's keys replace the
// ones the track had (from a document, say) track by track, as the first of
// them arrives on this connection.
SyncTrack* track_for_editor(SyncLink* link, int32_t index, SyncLinkEvents* out) {
    SyncTrack* track = link->tracks->at(index);
    if (!link->sent_keys[static_cast<size_t>(index)]) {
        link->sent_keys[static_cast<size_t>(index)] = true;
        if (track->has_keys()) out->keys_changed = true;
        track->keys.clear();
    }
    return track;
}

void apply(SyncLink* link, const SyncPacket& packet, SyncLinkEvents* out) {
    switch (packet.command) {
        case SyncCommand::set_key:
            track_for_editor(link, packet.track, out)->set_key(SyncKey{packet.row, packet.value, packet.interpolation});
            out->keys_changed = true;
            break;
        case SyncCommand::delete_key:
            if (track_for_editor(link, packet.track, out)->delete_key(packet.row)) out->keys_changed = true;
            break;
        case SyncCommand::set_row:
            out->has_row = true;
            out->row = packet.row;
            break;
        case SyncCommand::pause:
            out->has_pause = true;
            out->paused = packet.paused != 0;
            break;
        case SyncCommand::save_tracks: out->save_asked = true; break;
        case SyncCommand::get_track: break;
    }
}

// Applies every whole packet in incoming and keeps the rest. 0 when the
// stream could not be followed (and the connection was dropped).
int32_t parse_incoming(SyncLink* link, SyncLinkEvents* out) {
    size_t at = 0;
    SyncPacket packet;
    for (;;) {
        const SyncPacketStatus status =
            sync_packet_parse(link->incoming.data() + at, link->incoming.size() - at, link->requested, &packet);
        if (status == SyncPacketStatus::need_more) break;
        if (status == SyncPacketStatus::bad_command) {
            drop(link, packet.why.data());
            return 0;
        }
        if (status == SyncPacketStatus::bad_value)
            std::fprintf(stderr, "sync: ignored a packet from the editor at %s: %s\n", link->where.c_str(),
                         packet.why.data());
        else
            apply(link, packet, out);
        at += packet.size;
    }
    // A packet cut off counts as stalled from when its first byte was parsed.
    if (at > 0 || link->incoming.empty()) link->stall_since = Clock::now();
    link->incoming.erase(link->incoming.begin(), link->incoming.begin() + static_cast<ptrdiff_t>(at));
    return 1;
}

// Compares the greeting as it arrives. 0 when it was wrong (and the
// connection was dropped).
int32_t check_greeting(SyncLink* link) {
    const size_t have = std::min(link->incoming.size(), SERVER_GREETING.size());
    // Nothing arrived yet is no bad greeting (and no bytes to compare).
    if (have > 0 && std::memcmp(link->incoming.data(), SERVER_GREETING.data(), have) != 0) {
        drop(link, "it sent a bad greeting");
        return 0;
    }
    if (have < SERVER_GREETING.size()) return 1;
    link->incoming.erase(link->incoming.begin(), link->incoming.begin() + static_cast<ptrdiff_t>(have));
    link->state = LinkState::connected;
    link->quiet = false;
    link->stall_since = Clock::now();
    std::fprintf(stderr, "sync: connected to the editor at %s\n", link->where.c_str());
    request_tracks(link);
    return 1;
}

void poll_connection(SyncLink* link, SyncLinkEvents* out) {
    if (link->state == LinkState::connected) request_tracks(link);
    if (!flush(link)) return;
    const char* ended = nullptr;
    const int32_t open = receive(link, &ended);
    if (link->state == LinkState::greeting && !check_greeting(link)) return;
    if (link->state == LinkState::connected) {
        if (!parse_incoming(link, out)) return;
        if (!flush(link)) return;
    }
    if (!open) return drop(link, ended);
    const bool waiting_for_bytes = link->state == LinkState::greeting || !link->incoming.empty();
    if (waiting_for_bytes && Clock::now() - link->stall_since >= STALL_LIMIT)
        drop(link, link->state == LinkState::greeting ? "no greeting within 2 seconds"
                                                      : "a packet left unfinished for 2 seconds");
}
}  // namespace

// ---------------------------------------------------------------------------
// The link's functions

SyncLink* sync_link_create(const char* host, int32_t port, SyncTracks* tracks) {
    SyncLink* link = new SyncLink;
    link->tracks = tracks;
    link->where = std::string(host) + ":" + std::to_string(port);
    if (port < 1 || port > 65535) {
        std::fprintf(stderr, "sync: cannot reach the editor at %s: the port is outside 1 to 65535\n",
                     link->where.c_str());
        return link;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host, std::to_string(port).c_str(), &hints, &found);
    if (status != 0) {
        std::fprintf(stderr, "sync: cannot reach the editor at %s: %s\n", link->where.c_str(), gai_strerror(status));
        return link;
    }
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
        sockaddr_storage address{};
        std::memcpy(&address, a->ai_addr, a->ai_addrlen);
        link->addresses.push_back(address);
        link->address_sizes.push_back(a->ai_addrlen);
    }
    ::freeaddrinfo(found);
    if (!link->addresses.empty()) link->state = LinkState::waiting;
    return link;
}

void sync_link_destroy(SyncLink* link) {
    if (!link) return;
    close_socket(link);
    delete link;
}

void sync_link_poll(SyncLink* link, SyncLinkEvents* out) {
    *out = SyncLinkEvents{};
    if (link->state == LinkState::waiting && Clock::now() >= link->next_attempt) start_attempt(link);
    if (link->state == LinkState::connecting) check_connecting(link);
    if (link->state == LinkState::greeting || link->state == LinkState::connected) poll_connection(link, out);
}

void sync_link_send_row(SyncLink* link, int32_t row) {
    if (link->state != LinkState::connected || (link->row_sent && row == link->last_row_sent)) return;
    if (!flush(link) || !link->outgoing.empty()) return;
    link->outgoing.push_back(static_cast<uint8_t>(SyncCommand::set_row));
    put_u32(link->outgoing, static_cast<uint32_t>(row));
    link->row_sent = true;
    link->last_row_sent = row;
    flush(link);
}

int32_t sync_link_connected(const SyncLink* link) { return link->state == LinkState::connected ? 1 : 0; }

int32_t sync_link_has_editor_keys(const SyncLink* link, int32_t index) {
    if (link == nullptr || index < 0 || static_cast<size_t>(index) >= link->sent_keys.size()) return 0;
    return link->sent_keys[static_cast<size_t>(index)] ? 1 : 0;
}
