#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A private Xvfb for programs that need an X server of their own: the
// capture's fallback screen and the tests' screens. Xvfb picks a free
// display number itself (-displayfd) and says it once it accepts clients.

// A server started by start_xvfb. The fields are the plain reads.
struct XvfbProcess {
    pid_t pid = -1;       // the server; -1 when none runs
    std::string display;  // such as ":3"; empty when none runs
};

// Starts Xvfb with these arguments after its -displayfd (screen, listening,
// extensions), quietly, and waits up to ten seconds for its display number.
// A server that does not say it in time is stopped again: the result then
// has neither pid nor display. With own_process_group the server leaves
// the caller's process group, so that signals sent to the group (an
// interrupt at the terminal, a test runner ending its children) pass it by;
// with die_with_caller the kernel kills it when the caller ends, however
// the caller ends (a test program killed for taking too long, say).
XvfbProcess start_xvfb(const std::vector<std::string>& arguments, bool own_process_group,
                       bool die_with_caller = false);
// Stops the server, if one runs, and forgets it.
void stop_xvfb(XvfbProcess& server);

// Starts a program with standard input and output on /dev/null and DISPLAY
// set to display when that is not empty; the child's pid, or -1. A program
// that cannot be run ends its child with status 127. Process group and
// death with the caller as for start_xvfb.
pid_t spawn_quietly(const std::vector<std::string>& argv, const std::string& display,
                    bool own_process_group, bool die_with_caller = false);
// Ends a child started here: SIGTERM, SIGKILL when it has not ended five
// seconds later, and waits for it. Nothing for a pid of 0 or less.
void stop_process(pid_t pid);
