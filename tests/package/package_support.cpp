#include "tests/package/package_support.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string_view>

namespace {
namespace fs = std::filesystem;

// The files and folders an install's output names ("-- Installing: /p/x",
// "-- Up-to-date: /p/x"), as canonical paths.
std::set<fs::path> named_by(const std::string& install_output) {
    std::set<fs::path> named;
    std::istringstream lines(install_output);
    for (std::string line; std::getline(lines, line);)
        for (const std::string_view label : {"-- Installing: ", "-- Up-to-date: "})
            if (line.starts_with(label)) named.insert(fs::weakly_canonical(line.substr(label.size())));
    return named;
}

// Whether the folder holds a file the install did not name.
bool holds_others(const std::string& prefix, const std::set<fs::path>& named) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(prefix))
        if (!entry.is_directory() && named.count(fs::weakly_canonical(entry.path())) == 0) return true;
    return false;
}
}  // namespace

ChildResult run_tool(const std::vector<std::string>& argv, const std::string& folder,
                     const std::vector<std::pair<std::string, std::string>>& env) {
    return ChildProcess::spawn_program(argv, env, folder).wait(TOOL_LIMIT);
}

Installation::Installation() : prefix(BUILD_DIR + "/tests/package-installation") {
    const std::string lock = prefix + ".lock";
    const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || flock(fd, LOCK_EX) != 0) {
        result.out = "cannot lock " + lock;
        if (fd >= 0) close(fd);
        return;
    }
    const std::vector<std::string> install = {CMAKE, "--install", BUILD_DIR, "--prefix", prefix};
    result = run_tool(install);
    if (result.succeeded() && holds_others(prefix, named_by(result.out))) {
        fs::remove_all(prefix);
        result = run_tool(install);
    }
    close(fd);  // and with it the lock
}
