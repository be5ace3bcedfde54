#pragma once

#include <string>
#include <vector>

// Writes interleaved stereo floats at 44100 Hz as an Ogg Vorbis file
// through libsndfile. The library gives each new stream a random serial
// number; it is replaced by a fixed one afterwards, so that the same
// samples always make the same bytes. 1 on success, 0 with a line on
// standard error otherwise.
int write_ogg_vorbis(const std::string& path, const std::vector<float>& interleaved_stereo);

// Rewrites the serial number of every page of an Ogg stream held in memory
// and recomputes the pages' checksums. False when the bytes are not a
// sequence of whole Ogg pages.
bool set_ogg_serial(std::vector<unsigned char>& bytes, unsigned serial);
