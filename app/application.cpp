#include "app/application.h"

DrawState* DrawState::create() { return new DrawState{}; }

void DrawState::destroy(DrawState* state) { delete state; }

Application* Application::create() {
    auto* application = new Application{};
    application->draw_state = DrawState::create();
    return application;
}

void Application::destroy(Application* application) {
    if (application == nullptr) return;
    DrawState::destroy(application->draw_state);
    delete application;
}
