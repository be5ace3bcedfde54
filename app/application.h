#pragma once

struct DrawState;
struct Window;

// The process's root record: it owns the drawing state and knows the window
// created last. The fields are the plain reads.
struct Application {
    DrawState* draw_state = nullptr;  // owned
    Window* window = nullptr;         // borrowed; none until a Window is created

    static Application* create();
    // Releases the drawing state and the record; the window stays alive.
    static void destroy(Application* application);

    void set_window(Window* w) { window = w; }
};
