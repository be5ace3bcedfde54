#include "tests/support/pulse_server.h"

#include <sched.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace {
constexpr auto START_LIMIT = std::chrono::seconds(10);
constexpr auto PACTL_LIMIT = std::chrono::milliseconds(10000);
// Just below the sink's thread, which PulseAudio raises to 5 itself.
constexpr int SERVER_PRIORITY = 4;

// As the suite's shared server is run (scripts/setup.sh): every thread
// PulseAudio left at ordinary priority runs realtime, its main thread that
// takes in the clients' sound among them, so that a machine busy with other
// work does not starve it into underruns. Without the right to, it runs as
// it started.
void raise_to_realtime(pid_t server) {
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(server) + "/task", error)) {
        const pid_t thread = static_cast<pid_t>(std::strtol(task.path().filename().c_str(), nullptr, 10));
        if (thread <= 0 || sched_getscheduler(thread) != SCHED_OTHER) continue;
        sched_param parameters{};
        parameters.sched_priority = SERVER_PRIORITY;
        sched_setscheduler(thread, SCHED_RR, &parameters);
    }
}
}  // namespace

PulseServer::PulseServer() {
    const std::string runtime = dir_.file("runtime");
    std::filesystem::create_directories(runtime);
    chmod(runtime.c_str(), 0700);
    write_text(dir_.file("client.conf"), "autospawn = no\n");
    std::vector<std::pair<std::string, std::string>> env = client_environment();
    env.emplace_back("XDG_RUNTIME_DIR", runtime);
    server_.emplace(ChildProcess::spawn_program(
        {"/usr/bin/pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
         "--log-target=file:" + dir_.file("pulse.log"), "-L", "module-native-protocol-unix",
         "-L", "module-null-sink sink_name=out", "-L", "module-sine-source source_name=in"},
        env));
    const auto deadline = std::chrono::steady_clock::now() + START_LIMIT;
    while (!pactl({"info"}).has_value()) {
        if (std::chrono::steady_clock::now() > deadline) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    running_ = pactl({"set-default-sink", "out"}).has_value() && pactl({"set-default-source", "in"}).has_value();
    if (running_) raise_to_realtime(server_->pid());
}

std::vector<std::pair<std::string, std::string>> PulseServer::client_environment() const {
    return {{"PULSE_SERVER", "unix:" + dir_.file("runtime/pulse/native")},
            {"PULSE_CLIENTCONFIG", dir_.file("client.conf")}};
}

std::optional<std::string> PulseServer::pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv = {"/usr/bin/pactl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ChildResult result = ChildProcess::spawn_program(argv, client_environment()).wait(PACTL_LIMIT);
    if (!result.succeeded()) return std::nullopt;
    return result.out;
}

void PulseServer::kill_now() {
    if (!server_.has_value()) return;
    kill(server_->pid(), SIGKILL);
    server_->wait(std::chrono::milliseconds(5000));
    running_ = false;
}

ScopedEnvironment::ScopedEnvironment(const std::string& name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name.c_str())) old_ = old;
    setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (old_.has_value())
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

OwnSoundServer::OwnSoundServer() {
    for (const auto& [name, value] : server_.client_environment()) environment_.emplace_back(name, value);
}

std::optional<size_t> OwnSoundServer::streams() const {
    const std::optional<std::string> listed = server_.pactl({"list", "short", "sink-inputs"});
    if (!listed.has_value()) return std::nullopt;
    return lines_of(*listed).size();
}
