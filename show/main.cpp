#include <cstdio>

#include "app/application.h"
#include "app/window.h"
#include "show/show_app.h"

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
    print_banner(argc > 0 ? argv[0] : nullptr);
    Application* application = Application::create();
    Window* window = show_window_create(application, 0.5, 0.5);
    window->run(argc, argv);
    show_teardown(window);
    Application::destroy(application);
    return 0;
}
