#include "app/callback_table.h"

#include "app/window.h"

CallbackTable* CallbackTable::create(Window* window, void* user_data, InitCallback init,
                                     WindowCallback display, WindowCallback idle,
                                     KeyCallback key_down, KeyCallback key_up,
                                     SpecialKeyCallback special_down,
                                     SpecialKeyCallback special_up, MouseCallback mouse,
                                     MotionCallback motion, MotionCallback passive_motion,
                                     WheelCallback wheel) {
    auto* table = new CallbackTable{window,       user_data,  init,         display, idle,
                                    key_down,     key_up,     special_down, special_up,
                                    mouse,        motion,     passive_motion, wheel};
    if (window != nullptr) window->callbacks = table;
    return table;
}

void CallbackTable::release(CallbackTable* table) {
    if (table == nullptr) return;
    if (table->window != nullptr && table->window->callbacks == table)
        table->window->callbacks = nullptr;
    delete table;
}
