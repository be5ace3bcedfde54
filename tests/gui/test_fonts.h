#pragma once

// Fonts from Debian packages the set-up installs: a small one
// (fonts-dejavu-core), one of about 2 MB (fonts-freefont-ttf), larger than
// the one mebibyte a font file was once cut at, and the show's own
// (fonts-3270), which keeps full metrics for 4 glyphs only.
inline constexpr const char* SMALL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* LARGE_FONT = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf";
inline constexpr const char* MONO_FONT = "/usr/share/fonts/truetype/3270/3270-Regular.ttf";
