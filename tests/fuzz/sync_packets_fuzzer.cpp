// The sync link's packet reader over any bytes, as a stream is read: each
// packet is whole, waits for more, is skipped or stops the stream, and
// never reads past the bytes it is given nor returns what the link could
// not apply.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sync/sync_link.h"

namespace {
void require(bool condition) {
    if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte is the number of tracks requested; the rest the stream.
    const int32_t track_count = data[0] % 8;
    // A copy of exactly the stream, so that AddressSanitizer sees any read past it.
    const std::vector<uint8_t> stream(data + 1, data + size);
    size_t at = 0;
    SyncPacket packet;
    for (;;) {
        const size_t left = stream.size() - at;
        const SyncPacketStatus status = sync_packet_parse(stream.data() + at, left, track_count, &packet);
        if (status == SyncPacketStatus::need_more) {
            require(left < 14);
            break;
        }
        if (status == SyncPacketStatus::bad_command) {
            require(packet.size == 0 && packet.why[0] != '\0');
            break;
        }
        require(packet.size >= 1 && packet.size <= 14 && packet.size <= left);
        if (status == SyncPacketStatus::bad_value) {
            require(packet.why[0] != '\0');
        } else {
            require(packet.row >= 0 && std::isfinite(packet.value));
            require(static_cast<uint8_t>(packet.interpolation) < SYNC_INTERPOLATION_COUNT);
            if (packet.command == SyncCommand::set_key || packet.command == SyncCommand::delete_key)
                require(packet.track >= 0 && packet.track < track_count);
            // Every cut of a whole packet waits for its rest.
            for (size_t cut = 0; cut < packet.size; ++cut) {
                SyncPacket part;
                require(sync_packet_parse(stream.data() + at, cut, track_count, &part) ==
                        SyncPacketStatus::need_more);
            }
        }
        at += packet.size;
    }
    return 0;
}
