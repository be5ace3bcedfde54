#pragma once

struct Application;
struct Window;

// Creates the show's window: GLUT backend at the given fraction of the
// screen, the show's callback table and the default style.
Window* show_window_create(Application* application, double relative_width,
                           double relative_height);

// Releases what show_window_create attached; runs only when the backend's
// loop returns.
void show_teardown(Window* window);
