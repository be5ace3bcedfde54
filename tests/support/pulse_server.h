#pragma once

#include <list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/sound_files.h"

// A private PulseAudio for a test that needs a sound server to itself: one
// whose streams it can look into alone, or that it can kill. Set up as the
// suite's shared server is: a null sink as the default output and a clocked
// sine source as the default input. Stopped by the destructor.
class PulseServer {
public:
    PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // True once the server accepts clients, until it is killed.
    bool running() const { return running_; }
    // What a client's environment needs to use this server and no other
    // (and never to start one of its own).
    std::vector<std::pair<std::string, std::string>> client_environment() const;
    // Runs pactl with the arguments against this server; its standard
    // output, or nothing when it failed.
    std::optional<std::string> pactl(const std::vector<std::string>& arguments) const;
    // Ends the server at once, as a crash would.
    void kill_now();

private:
    TempDir dir_;
    std::optional<ChildProcess> server_;
    bool running_ = false;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const std::string& name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A sound server of this process's own for the cases that look at the
// streams on it: while the object lives, every stream this process opens
// plays there and nowhere else.
class OwnSoundServer {
public:
    OwnSoundServer();
    bool running() const { return server_.running(); }
    // How many streams play on the server now (nothing when it cannot say).
    std::optional<size_t> streams() const;

private:
    PulseServer server_;
    std::list<ScopedEnvironment> environment_;
};
