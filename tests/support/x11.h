#pragma once

// Xlib names its window id type `Window`, which the toolkit's window record
// already is. Code that needs both includes Xlib through this header, where
// the X type is called XWindow; same type, same ABI.
#define Window XWindow
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef Window

// Xlib's macros that collide with ordinary C++ and GoogleTest names.
#undef None
#undef Bool
#undef Status
#undef True
#undef False
#undef Success
