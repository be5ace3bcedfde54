#include "tests/support/window_child.h"

#include <sstream>

#include "app/application.h"
#include "app/window.h"

WindowChild::WindowChild(int32_t backend_kind, uint32_t parent_window, double relative_width,
                         double relative_height) {
    application = Application::create();
    window = Window::create(application, backend_kind, parent_window, relative_width, relative_height);
    attach_hooks(window, &hooks);
    hooks.idle = [this](Window*) { script.advance(); };
}

Script& WindowChild::when_viewable() {
    return script.then("window viewable", [this] { return x.viewable(current_glx_window()); });
}

void WindowChild::run(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    window->run(static_cast<int>(arguments.size()), argv.data());
    ADD_FAILURE() << "the window's loop returned";
    finish_child();
}

std::vector<double> frame_rate_reports(const std::string& err) {
    std::vector<double> rates;
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("fps: ", 0) != 0) continue;
        const std::string number = line.substr(5);
        const size_t point = number.find('.');
        EXPECT_TRUE(point != std::string::npos && number.size() - point - 1 == 6) << line;
        rates.push_back(std::stod(number));
    }
    return rates;
}
