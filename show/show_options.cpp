#include "show/show_options.h"

#include <cstdio>
#include <set>
#include <utility>

#include "sync/sync_link.h"

namespace {
constexpr const char* SYNC_DEFAULT_HOST = "127.0.0.1";

int32_t fail(const std::string& message) {
    std::fprintf(stderr, "morva: %s (morva --help lists the options)\n", message.c_str());
    return 0;
}

// --music FILE or --font FILE at argv[i]; i moves on to the file.
int32_t take_file_option(int argc, char** argv, int& i, std::set<std::string>& named, ShowFiles& files) {
    const std::string option = argv[i];
    if (!named.insert(option).second) return fail(option + " is given twice");
    if (i + 1 >= argc || argv[i + 1][0] == '\0') return fail(option + " needs a file name");
    const std::string path = argv[++i];
    if (check_show_file_readable("morva", path) != 1) return 0;
    set_show_file(files, option, path);
    return 1;
}
// --sync=HOST:PORT; the host is everything before the last colon.
int32_t take_sync_address(const std::string& address, ShowOptions& options) {
    const size_t colon = address.rfind(':');
    const std::string port = colon == std::string::npos ? std::string() : address.substr(colon + 1);
    const bool digits = !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos;
    const int32_t number = digits ? std::stoi(port) : 0;
    if (colon == 0 || colon == std::string::npos || number < 1 || number > 65535)
        return fail("--sync= takes HOST:PORT (a port from 1 to 65535), not '" + address + "'");
    options.sync_host = address.substr(0, colon);
    options.sync_port = number;
    return 1;
}
}  // namespace

int32_t parse_show_options(int argc, char** argv, ShowOptions& out) {
    ShowOptions options;
    options.files = find_show_files();
    std::set<std::string> named;
    if (argc > 0) options.passed_on.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (is_show_file_option(argument)) {
            if (take_file_option(argc, argv, i, named, options.files) != 1) return 0;
        } else if (is_show_tracks_option(argument)) {
            if (!named.insert(argument).second) return fail(argument + " is given twice");
            if (i + 1 >= argc) return fail(argument + " needs a value");
            std::string why;
            if (set_show_tracks_option(options.files, argument, argv[++i], why) != 1) return fail(why);
        } else if (argument == "--sync" || argument.rfind("--sync=", 0) == 0) {
            if (!named.insert("--sync").second) return fail("--sync is given twice");
            options.sync_host = SYNC_DEFAULT_HOST;
            options.sync_port = SYNC_DEFAULT_PORT;
            if (argument != "--sync" && take_sync_address(argument.substr(7), options) != 1) return 0;
        } else if (argument.rfind("--", 0) == 0) {
            return fail("unknown option '" + argument + "'");
        } else {
            options.passed_on.push_back(argv[i]);
        }
    }
    options.passed_on.push_back(nullptr);
    out = std::move(options);
    return 1;
}

std::string show_usage() {
    return "usage: morva [TITLE] [--music FILE] [--font FILE] [--tracks SOURCE]\n"
           "             [--rows-per-pattern N] [--sync[=HOST:PORT]] [freeglut options]\n"
           "\n"
           "Plays the music through the sound server and draws the show to it in\n"
           "one window.\n"
           "\n"
           "  TITLE          the window's title: the first argument that is none of\n"
           "                 the options here\n"
           "  --music FILE   the track to play, of any length: the show divides it\n"
           "                 into its 104 patterns\n"
           "  --font FILE    the TrueType font of the credit lines\n"
           "  --tracks FILE.rocket | DIR/PREFIX  the sync editor's document, or its\n"
           "                 player files PREFIX_<track>.track, whose keys replace\n"
           "                 the show's values (the README lists the tracks); read\n"
           "                 again whenever it is saved\n"
           "  --rows-per-pattern N  the editor's rows in a pattern (8)\n"
           "  --sync[=HOST:PORT]  follows a sync editor (127.0.0.1:1338): its keys,\n"
           "                 rows and pause; the show sends it the row it plays\n"
           "  --help         this text\n"
           "  --version      the version\n"
           "  -display DISPLAY, -geometry WxH+X+Y, ...  freeglut's own options\n"
           "\n"
           "Keys: Escape quits; Space switches between full screen (the start) and a\n"
           "half-size window that also shows two \"turn\" knobs, which the mouse turns,\n"
           "and a line with the pattern, the act, the pause and the loop.\n"
           "  P              pause and resume\n"
           "  Left, Right    one pattern back, forward (also while paused)\n"
           "  Page Up/Down   eight patterns back, forward\n"
           "  Home           back to the start (after the end: the music again)\n"
           "  L              mark the pattern playing as a loop's start; on a later\n"
           "                 pattern, loop from the mark to the end of that one; on\n"
           "                 or before the mark, move the mark; while looping, stop\n"
           "\n" +
           show_files_help();
}
