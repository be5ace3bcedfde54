#pragma once

// Xlib names its window id type `Window`, which the toolkit's window record
// already is. Sources of the toolkit that talk to the X server include Xlib
// and GLX through this header, where the X type is called XWindow (same
// type, same ABI). Only .cpp files include it: app headers keep X types out
// and store X ids as uint64_t and connections and contexts as opaque pointers.
#define Window XWindow
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Window

// Xlib's macros that collide with ordinary C++ names.
#undef None
#undef Bool
#undef Status
#undef True
#undef False
#undef Success
