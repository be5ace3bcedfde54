#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "show/show_files.h"

// What the morva program's command line asks for. The fields are the plain
// reads.
struct ShowOptions {
    ShowFiles files;  // as find_show_files finds them, unless named
    bool help = false;
    bool version = false;
    // --sync or --sync=HOST:PORT: the sync editor to follow; port 0: none.
    std::string sync_host;
    int32_t sync_port = 0;
    // argv[0], then every argument that is none of the show's own options,
    // in order, then a none: the window backend takes its title from the
    // first of them and freeglut its own options from the rest.
    std::vector<char*> passed_on;
};

// Reads the command line (argv[0] is the program): --music FILE,
// --font FILE, --tracks SOURCE, --rows-per-pattern N, --sync[=HOST:PORT],
// --help, --version. 0 with one line on standard error when it
// is wrong or a file it names cannot be read.
int32_t parse_show_options(int argc, char** argv, ShowOptions& out);

// What --help prints: the options, the keys and where the files are.
std::string show_usage();
