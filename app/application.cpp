#include "app/application.h"

#include "app/window.h"

DrawState* DrawState::create() { return new DrawState{}; }

void DrawState::destroy(DrawState* state) { delete state; }

Application* Application::create() {
    auto* application = new Application{};
    application->draw_state = DrawState::create();
    return application;
}

void Application::destroy(Application* application) {
    if (application == nullptr) return;
    // The window outlives its application: it must not reach back into
    // the freed record when it is destroyed later.
    if (application->window != nullptr && application->window->application == application)
        application->window->application = nullptr;
    DrawState::destroy(application->draw_state);
    delete application;
}
