#include "gui/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <vector>

#include "gui/image_resize.h"

namespace {
constexpr GLint RGBA_COMPONENTS = 4;
}

int32_t create_texture(const uint8_t* pixels, int32_t width, int32_t height) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        std::fprintf(stderr, "error creating texture: no image of %d x %d pixels\n", width, height);
        return 0;
    }
    const ImageSize upload = texture_upload_size(width, height);
    std::vector<uint8_t> resized;
    const uint8_t* source = pixels;
    if (upload.width != width || upload.height != height) {
        resized = resize_rgba(pixels, width, height, upload.width, upload.height);
        if (resized.empty()) {
            std::fprintf(stderr, "error creating texture: cannot resize %d x %d pixels\n", width,
                         height);
            return 0;
        }
        source = resized.data();
    }
    GLuint name = 0;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    gluBuild2DMipmaps(GL_TEXTURE_2D, RGBA_COMPONENTS, upload.width, upload.height, GL_RGBA,
                      GL_UNSIGNED_BYTE, source);
    glDisable(GL_TEXTURE_2D);
    return static_cast<int32_t>(name);
}

void delete_texture(int32_t name) {
    if (name < 0) return;
    const auto gl_name = static_cast<GLuint>(name);
    glEnable(GL_TEXTURE_2D);
    glDeleteTextures(1, &gl_name);
    glDisable(GL_TEXTURE_2D);
}

void draw_texture(int32_t name, double x, double y, double width, double height) {
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name < 0 ? 0 : name));
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(static_cast<float>(x), static_cast<float>(y), 0.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(w, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(w, h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, h);
    glEnd();
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
}
