#include "sync/player_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "sync/file_bytes.h"

namespace {
constexpr size_t COUNT_BYTES = 4;
constexpr size_t KEY_BYTES = 9;  // row, value, interpolation

// ---------------------------------------------------------------------------
// Names

bool kept_in_names(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '/';
}

// ---------------------------------------------------------------------------
// Bytes, little-endian whatever the machine

uint32_t get_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

SyncKey get_key(const uint8_t* p) {
    const uint32_t bits = get_u32(p + 4);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return SyncKey{static_cast<int32_t>(get_u32(p)), value, static_cast<SyncInterpolation>(p[8])};
}

// ---------------------------------------------------------------------------
// Reading

int32_t refuse(const char* path, const char* why) {
    std::fprintf(stderr, "error reading sync track %s: %s\n", path, why);
    return 0;
}

// Why the sizes do not fit, or nullptr when they do.
const char* size_problem(size_t size, uint32_t count, char* why, size_t why_size) {
    if (size < COUNT_BYTES) {
        std::snprintf(why, why_size, "%zu bytes, shorter than its key count", size);
        return why;
    }
    const size_t payload = size - COUNT_BYTES;
    const size_t whole_keys = payload / KEY_BYTES;
    if (count > whole_keys && payload % KEY_BYTES != 0)
        std::snprintf(why, why_size, "cut off inside key %zu of the %u its count gives", whole_keys + 1, count);
    else if (count > whole_keys)
        std::snprintf(why, why_size, "its count gives %u keys but it holds %zu", count, whole_keys);
    else if (payload > static_cast<size_t>(count) * KEY_BYTES)
        std::snprintf(why, why_size, "bytes after its last key: %zu", payload - static_cast<size_t>(count) * KEY_BYTES);
    else
        return nullptr;
    return why;
}

// Why key number index (from 0) is refused, or nullptr.
const char* key_problem(const SyncKey& key, uint8_t interpolation, size_t index, char* why, size_t why_size) {
    if (interpolation >= SYNC_INTERPOLATION_COUNT)
        std::snprintf(why, why_size, "key %zu has interpolation %u (0 to 3 are known)", index + 1, interpolation);
    else if (!std::isfinite(key.value))
        std::snprintf(why, why_size, "key %zu has the value %g", index + 1, static_cast<double>(key.value));
    else
        return nullptr;
    return why;
}

// Sorts by row and keeps the last of the keys on a row, as setting them in
// file order would; files the editor wrote are sorted already.
void order_keys(std::vector<SyncKey>& keys) {
    const auto by_row = [](const SyncKey& a, const SyncKey& b) { return a.row < b.row; };
    const auto strictly = [](const SyncKey& a, const SyncKey& b) { return a.row >= b.row; };
    if (std::adjacent_find(keys.begin(), keys.end(), strictly) == keys.end()) return;
    std::stable_sort(keys.begin(), keys.end(), by_row);
    std::vector<SyncKey> kept;
    kept.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        if (i + 1 == keys.size() || keys[i + 1].row != keys[i].row) kept.push_back(keys[i]);
    keys.swap(kept);
}

int32_t refuse_write(const char* path, const char* why) {
    std::fprintf(stderr, "error writing sync track %s: %s\n", path, why);
    return 0;
}
}  // namespace

// ---------------------------------------------------------------------------
// Names

std::string player_file_escape(std::string_view text) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (kept_in_names(c)) {
            out.push_back(ch);
            continue;
        }
        out.push_back('-');
        out.push_back(HEX[c >> 4]);
        out.push_back(HEX[c & 0xF]);
    }
    return out;
}

std::string player_file_name(std::string_view prefix, std::string_view track_name) {
    return std::string(prefix) + "_" + player_file_escape(track_name) + ".track";
}

// ---------------------------------------------------------------------------
// Reading and writing

int32_t player_file_parse(const uint8_t* bytes, size_t size, const char* path, SyncTrack* track) {
    char why[160];
    const uint32_t count = size >= COUNT_BYTES ? get_u32(bytes) : 0;
    if (size_problem(size, count, why, sizeof why)) return refuse(path, why);
    std::vector<SyncKey> keys(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* at = bytes + COUNT_BYTES + i * KEY_BYTES;
        keys[i] = get_key(at);
        if (key_problem(keys[i], at[8], i, why, sizeof why)) return refuse(path, why);
    }
    order_keys(keys);
    track->keys.swap(keys);
    return 1;
}

int32_t player_file_read(const char* path, SyncTrack* track) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (read_file_bytes(path, bytes, why) != 1) return refuse(path, why.c_str());
    return player_file_parse(bytes.data(), bytes.size(), path, track);
}

int32_t player_file_write(const char* path, const SyncTrack& track) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) return refuse_write(path, error.message().c_str());

    std::vector<uint8_t> bytes;
    bytes.reserve(COUNT_BYTES + track.keys.size() * KEY_BYTES);
    put_u32(bytes, static_cast<uint32_t>(track.keys.size()));
    for (const SyncKey& key : track.keys) {
        uint32_t bits = 0;
        std::memcpy(&bits, &key.value, sizeof bits);
        put_u32(bytes, static_cast<uint32_t>(key.row));
        put_u32(bytes, bits);
        bytes.push_back(static_cast<uint8_t>(key.interpolation));
    }
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return refuse_write(path, std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written) return refuse_write(path, std::strerror(write_error));
    if (!closed) return refuse_write(path, std::strerror(errno));
    return 1;
}
