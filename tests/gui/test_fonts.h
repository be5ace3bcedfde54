#pragma once

// Fonts from Debian packages the test set-up installs: a small one
// (fonts-dejavu-core) and one of about 2 MB (fonts-freefont-ttf), larger
// than the one mebibyte a font file was once cut at.
inline constexpr const char* SMALL_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* LARGE_FONT = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf";
