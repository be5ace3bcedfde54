// Sanitizer settings of the test programs in the sanitizer build, and of
// every program they start (morva itself), which inherits them through the
// environment. Linked into each test program only in that build.
#include <cstdlib>

#ifndef MORVA_LSAN_SUPPRESSIONS
#error "MORVA_LSAN_SUPPRESSIONS must name the suppressions file"
#endif

namespace {
#ifdef MORVA_FAST_UNWIND_ON_MALLOC
// Programs that draw with OpenGL only in forked children, which end with
// _exit and are never leak-checked. Full stacks would buy nothing there and
// they hang: Mesa's llvmpipe registers the frames of every shader it
// compiles with libgcc, the next unwind sorts them under libgcc's lock and
// allocates meanwhile, and the slow unwinder called for that allocation
// waits on the same lock for ever.
constexpr const char* ASAN_SETTINGS = "detect_leaks=1:fast_unwind_on_malloc=1";
#else
// Full stacks for every allocation: the graphics libraries have no frame
// pointers, and their leaks can only be suppressed by a frame that names them.
constexpr const char* ASAN_SETTINGS = "detect_leaks=1:fast_unwind_on_malloc=0";
#endif
constexpr const char* LSAN_SETTINGS = "suppressions=" MORVA_LSAN_SUPPRESSIONS ":print_suppressions=0";
constexpr const char* UBSAN_SETTINGS = "print_stacktrace=1:halt_on_error=1";

// Settings a developer put in the environment win.
const bool exported_to_children = [] {
    setenv("ASAN_OPTIONS", ASAN_SETTINGS, 0);
    setenv("LSAN_OPTIONS", LSAN_SETTINGS, 0);
    setenv("UBSAN_OPTIONS", UBSAN_SETTINGS, 0);
    return true;
}();
}  // namespace

extern "C" const char* __asan_default_options() { return ASAN_SETTINGS; }
extern "C" const char* __lsan_default_options() { return LSAN_SETTINGS; }
extern "C" const char* __ubsan_default_options() { return UBSAN_SETTINGS; }
