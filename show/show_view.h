#pragma once

#include <cstdint>

struct Scene;

// How the show is looked at: a perspective camera five units in front of
// the figure. The live glue's viewport and the offline capture both draw
// through here, so the two cannot drift apart.

// Draws the scene (when there is one) through the show's camera over an
// area of the given width-to-height ratio. The caller's projection and
// model-view matrices are put back afterwards, the model-view one current.
void show_view_draw(Scene* scene, float aspect);

// One whole frame of width x height pixels, as the show's full-window
// viewport draws it: the GL viewport over the area, colour and depth
// cleared to the scene's background, then the scene through the camera.
void show_frame_draw(Scene* scene, int32_t width, int32_t height);
