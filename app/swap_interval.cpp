#include "app/swap_interval.h"

#include <GL/glx.h>

#include <cstring>

namespace {
bool names(const char* extensions, const char* name) {
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(extensions, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool starts = at == extensions || at[-1] == ' ';
        const bool ends = at[length] == '\0' || at[length] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

template <typename Function>
Function look_up(const char* name) {
    return reinterpret_cast<Function>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}
}  // namespace

SwapControl swap_control_in(const char* extensions) {
    if (extensions == nullptr) return SwapControl::none;
    if (names(extensions, "GLX_EXT_swap_control")) return SwapControl::ext;
    if (names(extensions, "GLX_MESA_swap_control")) return SwapControl::mesa;
    return SwapControl::none;
}

SwapControl swap_once_per_refresh() {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (display == nullptr || drawable == 0) return SwapControl::none;
    // The list the client and the server both support: what the driver offers.
    const SwapControl control = swap_control_in(glXQueryExtensionsString(display, DefaultScreen(display)));
    if (control == SwapControl::ext) {
        using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
        const auto set_interval = look_up<SwapIntervalExt>("glXSwapIntervalEXT");
        if (set_interval == nullptr) return SwapControl::none;
        set_interval(display, drawable, 1);
    } else if (control == SwapControl::mesa) {
        using SwapIntervalMesa = int (*)(unsigned int);
        const auto set_interval = look_up<SwapIntervalMesa>("glXSwapIntervalMESA");
        if (set_interval == nullptr || set_interval(1) != 0) return SwapControl::none;
    }
    return control;
}
