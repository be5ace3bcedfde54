#include "sync/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int32_t read_file_bytes(const char* path, std::vector<uint8_t>& bytes, std::string& why) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        why = std::strerror(errno);
        return 0;
    }
    uint8_t chunk[1 << 16];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) why = std::strerror(error);
    return failed ? 0 : 1;
}
