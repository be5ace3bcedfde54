#include "app/draw_state.h"

DrawState* DrawState::create() { return new DrawState{}; }

void DrawState::destroy(DrawState* state) { delete state; }
