#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/sound_files.h"

// What the installation and package tests share: the build tree they
// install from and the tools they run.

inline const std::string BUILD_DIR = MORVA_BUILD_DIR;
inline const std::string CMAKE = MORVA_CMAKE_COMMAND;
inline const std::string CPACK = MORVA_CPACK_COMMAND;
inline constexpr std::chrono::milliseconds TOOL_LIMIT{150000};

// Runs a program to its end (absolute path), in the folder when one is given.
ChildResult run_tool(const std::vector<std::string>& argv, const std::string& folder = {},
                     const std::vector<std::pair<std::string, std::string>>& env = {});

// A fresh installation of the build tree (cmake --install) into a
// temporary prefix of its own.
struct Installation {
    TempDir prefix;
    ChildResult result = run_tool({CMAKE, "--install", BUILD_DIR, "--prefix", prefix.path()});

    std::string path(const std::string& relative) const { return prefix.file(relative); }
};
