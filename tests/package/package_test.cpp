// The toolkit as others get it: installed with cmake --install, used from
// outside through pkg-config, its programs run from any folder, and the
// Debian package unpacked and drawing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "morva/version.h"
#include "tests/package/package_support.h"
#include "tests/tools/capture_support.h"

namespace {
namespace fs = std::filesystem;

const std::string SOURCE_DIR = MORVA_SOURCE_DIR;
const std::vector<std::pair<std::string, std::string>> NO_DISPLAY = {{"-DISPLAY", ""}};

const char* const INSTALLED_FILES[] = {
    "bin/morva",
    "bin/morva-capture",
    "bin/morva-compose",
    "include/morva/version.h",
    "lib/libmorva_app.a",
    "lib/libmorva_gui.a",
    "lib/libmorva_audio.a",
    "lib/libmorva_geometry.a",
    "lib/libmorva_geometry_draw.a",
    "lib/libmorva_sync.a",
    "include/morva/sync/sync_track.h",
    "lib/libmorva_show.a",
    "lib/cmake/morva/morva-config.cmake",
    "lib/cmake/morva/morva-config-version.cmake",
    "lib/cmake/morva/morva-targets.cmake",
    "lib/cmake/morva/morva-dependencies.cmake",
    "lib/pkgconfig/morva.pc",
    "share/morva/font/HomeVideo-Regular.ttf",
    "share/morva/font/LICENSE-3270.txt",
    "share/morva/sounds/music0.ogg",
};

// What stays inside the project: tests, tools' pieces, benchmarks.
const char* const NOT_INSTALLED[] = {"include/morva/tests", "include/morva/tools", "include/morva/bench",
                                     "lib/libmorva_capture.a", "lib/libmorva_composer.a",
                                     "lib/libmorva_test_support.a"};

// The first picture of the show: the skeleton's white dashes on black.
void expect_first_pattern(const std::string& png) {
    const Picture picture = read_png(png);
    ASSERT_FALSE(picture.pixels.empty());
    EXPECT_EQ(picture.count(is_grey), picture.width * picture.height) << "a coloured pixel in " << png;
    EXPECT_GT(picture.count(is_white), 100) << png;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
}  // namespace

TEST(Installation, PutsEveryPieceWhereOutsideCodeLooks) {
    const Installation installed;
    ASSERT_TRUE(installed.result.succeeded()) << installed.result.describe();
    for (const char* file : INSTALLED_FILES) EXPECT_TRUE(fs::is_regular_file(installed.path(file))) << file;
    for (const char* program : {"bin/morva", "bin/morva-capture", "bin/morva-compose"})
        EXPECT_NE(fs::status(installed.path(program)).permissions() & fs::perms::owner_exec, fs::perms::none)
            << program;
    for (const char* inside : NOT_INSTALLED) EXPECT_FALSE(fs::exists(installed.path(inside))) << inside;
    // Every header of the five subsystems, as it is written.
    int headers = 0;
    for (const char* subsystem : {"app", "gui", "audio", "geometry", "show"}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(SOURCE_DIR + "/" + subsystem)) {
            if (entry.path().extension() != ".h") continue;
            const std::string copy = installed.path("include/morva/" + std::string(subsystem) + "/" +
                                                    entry.path().filename().string());
            EXPECT_EQ(file_bytes(copy), file_bytes(entry.path())) << copy;
            ++headers;
        }
    }
    EXPECT_GT(headers, 40);
    EXPECT_EQ(file_bytes(installed.path("share/morva/sounds/music0.ogg")),
              file_bytes(BUILD_DIR + "/data/sounds/music0.ogg"));
}

TEST(Installation, PkgConfigBuildsAProgramOnTheToolkit) {
    const Installation installed;
    ASSERT_TRUE(installed.result.succeeded()) << installed.result.describe();
    TempDir work;
    write_text(work.file("outside.cpp"),
               "#include <morva/audio/audio_track.h>\n"
               "#include <morva/geometry/mesh.h>\n"
               "#include <morva/geometry/mesh_builders.h>\n"
               "#include <morva/version.h>\n"
               "#include <cstdio>\n"
               "int main() {\n"
               "    Mesh* sphere = mesh_new_sphere(1);\n"
               "    AudioTrack* track = AudioTrack::create();\n"
               "    std::printf(\"%s %d %d\\n\", MORVA_VERSION, mesh_triangle_count(sphere), track->bin_count);\n"
               "    AudioTrack::destroy(track);\n"
               "    mesh_destroy(sphere);\n"
               "}\n");
    const ChildResult built =
        run_tool({"/bin/sh", "-c", "c++ -std=c++20 -Wall -Wextra -Werror outside.cpp -o outside "
                                   "$(pkg-config --cflags --libs morva)"},
                 work.path(), {{"PKG_CONFIG_PATH", installed.path("lib/pkgconfig")}});
    ASSERT_TRUE(built.succeeded()) << built.describe();
    const ChildResult ran = run_tool({work.file("outside")}, work.path());
    ASSERT_TRUE(ran.succeeded()) << ran.describe();
    EXPECT_EQ(ran.out, std::string(MORVA_VERSION) + " 80 112\n");
}

TEST(Installation, ProgramsFindTheirDataBesideThemFromAnyFolder) {
    const Installation installed;
    ASSERT_TRUE(installed.result.succeeded()) << installed.result.describe();
    const std::string data = fs::canonical(installed.path("share/morva")).string();
    TempDir empty;
    const ChildResult help = run_tool({installed.path("bin/morva"), "--help"}, empty.path(), NO_DISPLAY);
    ASSERT_TRUE(help.succeeded()) << help.describe();
    EXPECT_TRUE(contains(help.out, "else the same under\n" + data + ". ")) << help.out;
    EXPECT_TRUE(contains(help.out, "font:  " + data + "/font/HomeVideo-Regular.ttf\n")) << help.out;
    EXPECT_TRUE(contains(help.out, "music: " + data + "/sounds/music0.ogg\n")) << help.out;
    const ChildResult version = run_tool({installed.path("bin/morva"), "--version"}, empty.path(), NO_DISPLAY);
    EXPECT_EQ(version.out, std::string("morva ") + MORVA_VERSION + "\n");

    // A file at the fixed path comes first.
    TempDir with_font;
    fs::create_directories(with_font.file("font"));
    fs::copy_file(installed.path("share/morva/font/HomeVideo-Regular.ttf"),
                  with_font.file("font/HomeVideo-Regular.ttf"));
    const ChildResult local = run_tool({installed.path("bin/morva"), "--help"}, with_font.path(), NO_DISPLAY);
    EXPECT_TRUE(contains(local.out, "font:  ./font/HomeVideo-Regular.ttf\n")) << local.out;
    EXPECT_TRUE(contains(local.out, "music: " + data + "/sounds/music0.ogg\n")) << local.out;

    const ChildResult drawn = run_drawing_program(
        {installed.path("bin/morva-capture"), "--at", "p1", "--out", "stills", "--size", "320x180"}, empty.path(),
        NO_DISPLAY);
    ASSERT_TRUE(drawn.succeeded()) << drawn.describe();
    EXPECT_TRUE(contains(drawn.err, "loaded: " + data + "/sounds/music0.ogg\n")) << drawn.err;
    expect_first_pattern(empty.file("stills/at-p1.png"));
}

TEST(DebianPackage, HoldsEverythingAndDrawsOnceUnpacked) {
    TempDir work;
    const ChildResult packed =
        run_tool({CPACK, "-G", "DEB", "--config", BUILD_DIR + "/CPackConfig.cmake", "-B", work.file("out")},
                 work.path());
    ASSERT_TRUE(packed.succeeded()) << packed.describe();
    const std::string deb = work.file(std::string("out/morva_") + MORVA_VERSION + "_amd64.deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << packed.out;

    const ChildResult fields = run_tool({"/usr/bin/dpkg-deb", "--field", deb, "Package", "Version",
                                         "Architecture", "Depends"});
    ASSERT_TRUE(fields.succeeded()) << fields.describe();
    for (const std::string& part : {std::string("Package: morva\n"), "Version: " + std::string(MORVA_VERSION) + "\n",
                                    std::string("Architecture: amd64\n"), std::string("libglut3.12"),
                                    std::string("libsndfile1"), std::string("librtaudio6"), std::string("libx11-6")})
        EXPECT_TRUE(contains(fields.out, part)) << part << " not in\n" << fields.out;

    const ChildResult listing = run_tool({"/usr/bin/dpkg-deb", "--contents", deb});
    ASSERT_TRUE(listing.succeeded()) << listing.describe();
    for (const char* file : INSTALLED_FILES)
        EXPECT_TRUE(contains(listing.out, "./usr/" + std::string(file) + "\n")) << file;
    EXPECT_TRUE(contains(listing.out, "./usr/include/morva/geometry/mesh.h\n"));

    const ChildResult unpacked = run_tool({"/usr/bin/dpkg-deb", "-x", deb, work.file("root")});
    ASSERT_TRUE(unpacked.succeeded()) << unpacked.describe();
    // The unpacked program finds its data beside itself.
    const ChildResult found = run_drawing_program(
        {work.file("root/usr/bin/morva-capture"), "--at", "p1", "--out", "found", "--size", "320x180"},
        work.path(), NO_DISPLAY);
    ASSERT_TRUE(found.succeeded()) << found.describe();
    const std::string data = fs::canonical(work.file("root/usr/share/morva")).string();
    EXPECT_TRUE(contains(found.err, "loaded: " + data + "/sounds/music0.ogg\n")) << found.err;
    expect_first_pattern(work.file("found/at-p1.png"));
}
