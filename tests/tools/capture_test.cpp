// morva-capture as a user runs it: in a folder holding the font and a short
// composed track (10.4 s: 104 patterns of 0.1 s), without any X display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/support/sound_files.h"
#include "tests/tools/capture_support.h"

namespace {
// The columns of the leftmost and rightmost white pixels.
std::array<int, 2> white_extent(const Picture& picture) {
    std::array<int, 2> extent = {picture.width, -1};
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (is_white(picture.at(x, y))) extent = {std::min(extent[0], x), std::max(extent[1], x)};
    return extent;
}

// The six hue sectors of the colour wheel that strongly coloured pixels
// fall into.
int hue_sectors(const Picture& picture) {
    std::array<bool, 6> seen{};
    for (const std::array<int, 3>& rgb : picture.pixels) {
        if (!is_colored(rgb)) continue;
        const int high = *std::max_element(rgb.begin(), rgb.end());
        const int low = *std::min_element(rgb.begin(), rgb.end());
        double hue = 0.0;
        if (high == rgb[0]) hue = std::fmod((rgb[1] - rgb[2]) / double(high - low) + 6.0, 6.0);
        else if (high == rgb[1]) hue = (rgb[2] - rgb[0]) / double(high - low) + 2.0;
        else hue = (rgb[0] - rgb[1]) / double(high - low) + 4.0;
        seen[static_cast<size_t>(std::min(5.0, hue))] = true;
    }
    return static_cast<int>(std::count(seen.begin(), seen.end(), true));
}
}  // namespace

// One run draws every moment looked at here (ctest starts each case in a
// process of its own, so moments shared among cases would be drawn once
// per case); each moment is checked under its own trace.
TEST(Capture, EachMomentShowsWhatItsActDraws) {
    ShowFolder folder("10.4");
    const ChildResult result =
        capture(folder, {"--at", "p1,p5,p10,p30,p45,p60,end,12,3.3", "--out", "stills", "--size", "640x360"});
    ASSERT_TRUE(result.succeeded()) << result.describe();
    EXPECT_NE(result.err.find("morva-capture: drawing off screen with EGL (Mesa surfaceless)"), std::string::npos)
        << result.err;
    EXPECT_TRUE(capture_complaints(result.err).empty()) << result.err;
    auto still = [&](const std::string& moment) {
        const Picture picture = read_png(folder.file("stills/at-" + moment + ".png"));
        EXPECT_EQ(picture.width, 640) << moment;
        EXPECT_EQ(picture.height, 360) << moment;
        return picture;
    };
    const int all = 640 * 360;
    const Picture p5 = still("p5");  // the skeleton's full lines, act 2
    {
        SCOPED_TRACE("pattern 1: only white dashes on black");
        const Picture p1 = still("p1");
        EXPECT_EQ(p1.count(is_grey), all) << "a coloured pixel";
        EXPECT_GT(p1.count(is_white), 300);
        EXPECT_LT(p1.count(is_white), all / 50);  // thin lines, nothing solid
        EXPECT_GT(p1.count(is_black), all * 95 / 100);
    }
    {
        SCOPED_TRACE("pattern 10: the white figure without its dashes");
        const Picture p10 = still("p10");
        EXPECT_EQ(p10.count(is_grey), all) << "a coloured pixel";
        // Solid: far more white than the lines of the skeleton.
        EXPECT_GT(p10.count(is_white), 5 * p5.count(is_white));
        // The figure has turned 240 degrees about the vertical and looks
        // narrower than the skeleton; the skeleton does not turn, so its
        // lines, were they drawn, would reach out as wide as at pattern 5.
        const std::array<int, 2> figure = white_extent(p10), skeleton = white_extent(p5);
        EXPECT_LT(figure[1] - figure[0], (skeleton[1] - skeleton[0]) * 85 / 100);
    }
    {
        SCOPED_TRACE("pattern 30: the rainbow figure in the lattice");
        const Picture p30 = still("p30");
        EXPECT_GE(hue_sectors(p30), 5) << "not a rainbow";
        // The lattice reaches the strips along the frame's sides.
        EXPECT_GT(p30.count_in(0, 0, 80, 360, is_colored) + p30.count_in(560, 0, 80, 360, is_colored), 500);
        EXPECT_TRUE(is_black(p30.at(0, 0)) || is_black(p30.at(639, 0)));  // still black behind
        EXPECT_GT(p30.count(is_black), all / 2);
    }
    {
        SCOPED_TRACE("pattern 60: a coloured background");
        const Picture p60 = still("p60");
        EXPECT_LT(p60.count(is_black), all / 20);
        // The ground: most of the pixels share the corner's colour.
        const std::array<int, 3> corner = p60.at(1, 1);
        EXPECT_FALSE(is_black(corner));
        EXPECT_GT(p60.count([&](const auto& rgb) { return rgb == corner; }), all / 3);
    }
    {
        SCOPED_TRACE("the end and after: the red figure on white");
        const Picture end = still("end");
        EXPECT_GT(end.count(is_white), all / 2);
        EXPECT_GT(end.count(is_red), all / 50);
        EXPECT_GT(end.count([](const auto& rgb) { return is_white(rgb) || is_red(rgb); }), all * 9 / 10);
        // A moment past the end of the music is the end.
        EXPECT_EQ(file_bytes(folder.file("stills/at-12.png")), file_bytes(folder.file("stills/at-end.png")));
    }
    {
        SCOPED_TRACE("the same moments again, alone: the same bytes");
        const ChildResult again = capture(folder, {"--at", "p45,3.3", "--out", "again", "--size", "640x360"});
        ASSERT_TRUE(again.succeeded()) << again.describe();
        for (const std::string moment : {"p45", "3.3"}) {
            const std::vector<uint8_t> first = file_bytes(folder.file("stills/at-" + moment + ".png"));
            EXPECT_GT(first.size(), 1000u) << moment;
            EXPECT_EQ(first, file_bytes(folder.file("again/at-" + moment + ".png"))) << moment;
        }
    }
}
