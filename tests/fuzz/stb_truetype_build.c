// The glyph baker built from its packaged header into the font fuzzer, so
// that the address and undefined-behaviour sanitizers see inside it (the
// packaged library is not instrumented). Its assertions stay on, as they
// are in the packaged library.
#undef NDEBUG
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
