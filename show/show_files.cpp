#include "show/show_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The data folder's file for a fixed path such as "./font/x.ttf".
std::string installed_file(const std::string& data_dir, const char* fixed_path) {
    std::string relative = fixed_path;
    if (relative.rfind("./", 0) == 0) relative.erase(0, 2);
    return data_dir + "/" + relative;
}

std::string describe(const std::string& found) {
    return found + (exists(found) ? "\n" : " (missing)\n");
}
}  // namespace

std::string installed_data_dir() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    const std::filesystem::path dir =
        std::filesystem::weakly_canonical(program.parent_path() / MORVA_DATA_FROM_PROGRAMS, error);
    if (error || !std::filesystem::is_directory(dir, error)) return {};
    return dir.string();
}

std::string find_show_file(const char* fixed_path) {
    if (exists(fixed_path)) return fixed_path;
    const std::string data_dir = installed_data_dir();
    if (!data_dir.empty()) {
        std::string installed = installed_file(data_dir, fixed_path);
        if (exists(installed)) return installed;
    }
    return fixed_path;
}

ShowFiles find_show_files() {
    ShowFiles files;
    files.font_path = find_show_file(SHOW_FONT_PATH);
    files.music_path = find_show_file(SHOW_MUSIC_PATH);
    return files;
}

bool is_show_file_option(const std::string& option) { return option == "--music" || option == "--font"; }

void set_show_file(ShowFiles& files, const std::string& option, const std::string& path) {
    (option == "--music" ? files.music_path : files.font_path) = path;
}

bool is_show_tracks_option(const std::string& option) {
    return option == "--tracks" || option == "--rows-per-pattern";
}

int32_t set_show_tracks_option(ShowFiles& files, const std::string& option, const std::string& value,
                               std::string& why) {
    if (option == "--tracks") {
        if (value.empty()) {
            why = "--tracks needs a document or DIR/PREFIX of player files";
            return 0;
        }
        files.tracks_source = value;
        return 1;
    }
    const bool digits =
        !value.empty() && value.size() <= 4 && value.find_first_not_of("0123456789") == std::string::npos;
    const int32_t rows = digits ? std::stoi(value) : 0;
    if (rows < 1 || rows > LARGEST_ROWS_PER_PATTERN) {
        why = "--rows-per-pattern takes a whole number from 1 to " + std::to_string(LARGEST_ROWS_PER_PATTERN) +
              ", not '" + value + "'";
        return 0;
    }
    files.rows_per_pattern = rows;
    return 1;
}

int32_t check_show_file_readable(const char* program, const std::string& path) {
    if (access(path.c_str(), R_OK) == 0) return 1;
    std::fprintf(stderr, "%s: cannot read %s: %s\n", program, path.c_str(), std::strerror(errno));
    return 0;
}

std::string show_files_help() {
    const std::string data_dir = installed_data_dir();
    std::string text = "Files: without --font and --music, " + std::string(SHOW_FONT_PATH) + " and\n" +
                       SHOW_MUSIC_PATH + " in the current folder, ";
    text += data_dir.empty() ? std::string("as no installed data folder lies\nbeside this program. ")
                             : "else the same under\n" + data_dir + ". ";
    const ShowFiles found = find_show_files();
    text += "Now:\n  font:  " + describe(found.font_path) + "  music: " + describe(found.music_path);
    return text;
}
