#include "tools/composer/ogg_file.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {
constexpr unsigned FIXED_SERIAL = 0x6d6f7276;  // "morv"
constexpr size_t PAGE_HEADER = 27;
constexpr size_t SERIAL_AT = 14;
constexpr size_t CHECKSUM_AT = 22;
constexpr size_t SEGMENT_COUNT_AT = 26;
// libsndfile's Vorbis encoder crashes on one very long write: feed it slices.
constexpr sf_count_t SLICE_FRAMES = 4096;

// Ogg's page checksum: CRC-32 with polynomial 0x04c11db7, most significant
// bit first, starting from 0.
uint32_t ogg_checksum(const unsigned char* data, size_t length) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
            entries[i] = r;
        }
        return entries;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < length; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xff];
    return crc;
}

void put_le32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}
}  // namespace

bool set_ogg_serial(std::vector<unsigned char>& bytes, unsigned serial) {
    size_t page = 0;
    while (page < bytes.size()) {
        if (bytes.size() - page < PAGE_HEADER || !std::equal(bytes.begin() + page, bytes.begin() + page + 4, "OggS"))
            return false;
        const size_t segments = bytes[page + SEGMENT_COUNT_AT];
        if (bytes.size() - page < PAGE_HEADER + segments) return false;
        size_t body = 0;
        for (size_t s = 0; s < segments; ++s) body += bytes[page + PAGE_HEADER + s];
        const size_t length = PAGE_HEADER + segments + body;
        if (bytes.size() - page < length) return false;
        put_le32(&bytes[page + SERIAL_AT], serial);
        put_le32(&bytes[page + CHECKSUM_AT], 0);
        put_le32(&bytes[page + CHECKSUM_AT], ogg_checksum(&bytes[page], length));
        page += length;
    }
    return true;
}

int write_ogg_vorbis(const std::string& path, const std::vector<float>& interleaved_stereo) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return 0;
    }
    double quality = 0.5;
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    const sf_count_t frames = static_cast<sf_count_t>(interleaved_stereo.size() / 2);
    for (sf_count_t frame = 0; frame < frames; frame += SLICE_FRAMES) {
        const sf_count_t count = std::min(SLICE_FRAMES, frames - frame);
        if (sf_writef_float(file, interleaved_stereo.data() + 2 * frame, count) != count) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(file));
            sf_close(file);
            return 0;
        }
    }
    sf_close(file);

    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    if (!set_ogg_serial(bytes, FIXED_SERIAL)) {
        std::fprintf(stderr, "cannot write %s: the encoder wrote something that is not Ogg\n", path.c_str());
        return 0;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 0;
    }
    return 1;
}
