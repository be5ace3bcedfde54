#pragma once

// One buffer swap per display refresh, asked of the GLX driver where it
// offers a way: then the show moves on once per refresh and whatever
// changes per update (the credit line's scrolling and blinking) keeps its
// pace. Without such an extension (Xvfb among others) nothing changes.

// The ways of setting the swap interval a GLX driver may offer.
enum class SwapControl { none, ext, mesa };

// Which of them an extension list names ("GLX_... GLX_..."), by whole
// names; GLX_EXT_swap_control before GLX_MESA_swap_control.
SwapControl swap_control_in(const char* extensions);

// Asks for a swap interval of 1 on the current GLX context and drawable.
// Returns the way used, none without a current context or an offer.
SwapControl swap_once_per_refresh();
