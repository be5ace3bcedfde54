#pragma once

// The X headers of the test programs: the toolkit's own set (Xlib, Xutil and
// GLX, with Xlib's window id type called XWindow so that it does not clash
// with the toolkit's window record) plus atoms, key symbols and XTest.
#define Window XWindow
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef Window

#include "app/x11.h"
