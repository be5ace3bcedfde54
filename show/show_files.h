#pragma once

#include <cstdint>
#include <string>

// The files the show reads, relative to the folder it starts in.
inline constexpr const char* SHOW_FONT_PATH = "./font/HomeVideo-Regular.ttf";
inline constexpr const char* SHOW_MUSIC_PATH = "./sounds/music0.ogg";

// Rows of a sync editor in a pattern of the show, unless told otherwise.
inline constexpr int32_t DEFAULT_ROWS_PER_PATTERN = 8;
inline constexpr int32_t LARGEST_ROWS_PER_PATTERN = 4096;

// The font and the music one run of the show uses, and the tracks laid over
// its rows. The fields are the plain reads.
struct ShowFiles {
    std::string font_path = SHOW_FONT_PATH;
    std::string music_path = SHOW_MUSIC_PATH;
    std::string tracks_source;  // --tracks: a FILE.rocket document or DIR/PREFIX of player files; empty: none
    int32_t rows_per_pattern = DEFAULT_ROWS_PER_PATTERN;
};

// The folder an installation keeps the show's data in, found from where the
// running program lies (bin/../share/morva), so that a moved or unpacked
// installation finds its own; empty when that folder is not there.
std::string installed_data_dir();

// Where a file of the show is read from when nobody names one: the fixed
// path when a file is there, else the same file in the installed data
// folder when it is there, else the fixed path again (whose loader then
// reports it missing).
std::string find_show_file(const char* fixed_path);
ShowFiles find_show_files();

// "--music" and "--font", the options that name one of the show's files.
bool is_show_file_option(const std::string& option);
void set_show_file(ShowFiles& files, const std::string& option, const std::string& path);

// "--tracks" and "--rows-per-pattern", the options of the show's tracks.
bool is_show_tracks_option(const std::string& option);
// Takes the option's value; 0 with what is wrong in `why` when the value is
// not one the option takes.
int32_t set_show_tracks_option(ShowFiles& files, const std::string& option, const std::string& value,
                               std::string& why);

// 1 when the file can be read; else 0 after "<program>: cannot read
// <path>: <reason>" on standard error.
int32_t check_show_file_readable(const char* program, const std::string& path);

// The part of a program's --help that says where the files are looked for
// and which ones would be read now.
std::string show_files_help();
