#include "tests/support/glut_test.h"

#include <cstdlib>

#include "app/application.h"
#include "app/window.h"

GlutChild::GlutChild(double relative_width, double relative_height) {
    application = Application::create();
    window = Window::create(application, BACKEND_GLUT, 0, relative_width, relative_height);
    attach_hooks(window, &hooks);
    hooks.idle = [this](Window*) { script.advance(); };
}

Script& GlutChild::when_viewable() {
    return script.then("window viewable", [this] { return x.viewable(current_glx_window()); });
}

void GlutChild::run(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    window->run(static_cast<int>(arguments.size()), argv.data());
    ADD_FAILURE() << "the GLUT loop returned";
    finish_child();
}
