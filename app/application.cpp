#include "app/application.h"

#include "app/draw_state.h"

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
