#include <csignal>
#include <cstdio>

#include "app/application.h"
#include "app/window.h"
#include "morva/version.h"
#include "show/show_app.h"
#include "show/show_options.h"

namespace {
void print_banner(const char* program_name) {
    std::fputs("-----------------------------------\n", stdout);
    std::printf("%s \n", program_name != nullptr ? program_name : "");
    std::fputs("-----------------------------------\n", stdout);
    // The banner must be out before the window opens, even into a pipe.
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    // SIGCHLD may come ignored from a launcher; the libraries beneath the
    // show (the sound server's client, say) expect to wait for their children.
    std::signal(SIGCHLD, SIG_DFL);
    ShowOptions options;
    if (parse_show_options(argc, argv, options) != 1) return 1;
    if (options.help) {
        std::fputs(show_usage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("morva %s\n", MORVA_VERSION);
        return 0;
    }
    print_banner(argc > 0 ? argv[0] : nullptr);
    Application* application = Application::create();
    Window* window = show_window_create(application, 0.5, 0.5, options.files);
    show_context()->sync_host = options.sync_host;
    show_context()->sync_port = options.sync_port;
    // What is left of the command line: the title first, then freeglut's options.
    window->run(static_cast<int>(options.passed_on.size()) - 1, options.passed_on.data());
    show_teardown(window);
    Application::destroy(application);
    return 0;
}
