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

// The build tree installed (cmake --install) into one folder of the build
// tree that every package case reads and none writes. ctest runs each case
// in a process of its own, so the cases take turns through a lock file to
// bring it up to date: cmake --install copies only what changed since, and
// when the folder holds a file the install no longer names, it is emptied
// and installed afresh, so it always holds what a fresh install would.
struct Installation {
    Installation();

    std::string prefix;
    ChildResult result;  // of the last cmake --install

    std::string path(const std::string& relative) const { return prefix + "/" + relative; }
};
