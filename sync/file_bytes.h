#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The whole of a file's bytes, read in one go for a reader that parses from
// memory. 1 on success; 0 with the system's reason in `why` when the file
// cannot be opened or read (a folder fails here, with "Is a directory").
int32_t read_file_bytes(const char* path, std::vector<uint8_t>& bytes, std::string& why);
