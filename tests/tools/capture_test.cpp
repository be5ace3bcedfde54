// morva-capture as a user runs it: in a folder holding the font and a short
// composed track (10.4 s: 104 patterns of 0.1 s), without any X display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/sound_files.h"
#include "tests/tools/capture_support.h"

namespace {
const std::vector<std::pair<std::string, std::string>> NO_DISPLAY = {{"-DISPLAY", ""}};

ChildResult capture(const ShowFolder& folder, const std::vector<std::string>& arguments) {
    return run_capture_in(folder.path(), arguments, NO_DISPLAY);
}

struct Extent {
    int left = 1 << 30, right = -1;
};
Extent white_extent(const Picture& picture) {
    Extent extent;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (is_white(picture.at(x, y))) {
                extent.left = std::min(extent.left, x);
                extent.right = std::max(extent.right, x);
            }
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

// Pixels of the strip along the frame's edges that are strongly coloured.
int colored_at_edges(const Picture& picture) {
    int n = 0;
    const int margin = picture.width / 8;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if ((x < margin || x >= picture.width - margin) && is_colored(picture.at(x, y))) ++n;
    return n;
}

// The run of the capture at the moments most of these cases look at. It is
// made once per test process: ctest starts every case in a process of its
// own, so there each case captures its moments afresh; only a run of the
// whole program (a developer's) shares one capture among the cases.
class CapturedMoments : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new ShowFolder("10.4");
        result_ = new ChildResult(capture(*folder_, {"--at", "p1,p5,p10,p30,p45,p60,end,12", "--out", "stills",
                                                     "--size", "640x360"}));
    }
    static void TearDownTestSuite() {
        delete result_;
        delete folder_;
    }
    static Picture still(const std::string& moment) { return read_png(folder_->file("stills/at-" + moment + ".png")); }
    static ShowFolder* folder_;
    static ChildResult* result_;
};
ShowFolder* CapturedMoments::folder_ = nullptr;
ChildResult* CapturedMoments::result_ = nullptr;
}  // namespace

TEST_F(CapturedMoments, RunsWithoutAnyDisplayAndSaysHowItDraws) {
    ASSERT_TRUE(result_->succeeded()) << result_->describe();
    EXPECT_NE(result_->err.find("morva-capture: drawing off screen with EGL (Mesa surfaceless)"), std::string::npos)
        << result_->err;
    EXPECT_TRUE(capture_complaints(result_->err).empty()) << result_->err;
    const Picture first = still("p1");
    EXPECT_EQ(first.width, 640);
    EXPECT_EQ(first.height, 360);
}

TEST_F(CapturedMoments, Pattern1IsOnlyWhiteDashesOnBlack) {
    const Picture p1 = still("p1");
    ASSERT_FALSE(p1.pixels.empty());
    EXPECT_EQ(p1.count(is_grey), p1.width * p1.height) << "a coloured pixel";
    const int white = p1.count(is_white);
    EXPECT_GT(white, 300);
    EXPECT_LT(white, p1.width * p1.height / 50);  // thin lines, nothing solid
    EXPECT_GT(p1.count(is_black), p1.width * p1.height * 95 / 100);
}

TEST_F(CapturedMoments, Pattern10IsTheWhiteFigureWithoutItsDashes) {
    const Picture p10 = still("p10");
    const Picture p5 = still("p5");  // the skeleton's full lines, act 2
    ASSERT_FALSE(p10.pixels.empty());
    ASSERT_FALSE(p5.pixels.empty());
    EXPECT_EQ(p10.count(is_grey), p10.width * p10.height) << "a coloured pixel";
    // Solid: far more white than the lines of the skeleton.
    EXPECT_GT(p10.count(is_white), 5 * p5.count(is_white));
    // The figure has turned 240 degrees about the vertical and looks
    // narrower than the skeleton; the skeleton does not turn, so its
    // lines, were they drawn, would reach out as wide as at pattern 5.
    const Extent figure = white_extent(p10), skeleton = white_extent(p5);
    EXPECT_LT(figure.right - figure.left, (skeleton.right - skeleton.left) * 85 / 100);
}

TEST_F(CapturedMoments, Pattern30IsTheRainbowFigureInTheLattice) {
    const Picture p30 = still("p30");
    ASSERT_FALSE(p30.pixels.empty());
    EXPECT_GE(hue_sectors(p30), 5) << "not a rainbow";
    EXPECT_GT(colored_at_edges(p30), 500) << "no lattice towards the frame's edges";
    EXPECT_TRUE(is_black(p30.at(0, 0)) || is_black(p30.at(p30.width - 1, 0)));  // still black behind
    EXPECT_GT(p30.count(is_black), p30.width * p30.height / 2);
}

TEST_F(CapturedMoments, Pattern60HasAColouredBackground) {
    const Picture p60 = still("p60");
    ASSERT_FALSE(p60.pixels.empty());
    EXPECT_LT(p60.count(is_black), p60.width * p60.height / 20);
    // The ground: most of the pixels share the corner's colour.
    const std::array<int, 3> corner = p60.at(1, 1);
    EXPECT_FALSE(is_black(corner));
    EXPECT_GT(p60.count([&](const auto& rgb) { return rgb == corner; }), p60.width * p60.height / 3);
}

TEST_F(CapturedMoments, AtAndAfterTheEndTheFigureIsRedOnWhite) {
    const Picture end = still("end");
    ASSERT_FALSE(end.pixels.empty());
    const int all = end.width * end.height;
    EXPECT_GT(end.count(is_white), all / 2);
    EXPECT_GT(end.count(is_red), all / 50);
    EXPECT_GT(end.count([](const auto& rgb) { return is_white(rgb) || is_red(rgb); }), all * 9 / 10);
    // A moment past the end of the music is the end.
    EXPECT_EQ(file_bytes(folder_->file("stills/at-12.png")), file_bytes(folder_->file("stills/at-end.png")));
}

TEST(Capture, TheSameMomentTwiceGivesTheSameBytes) {
    ShowFolder folder("10.4");
    for (const char* out : {"first", "second"}) {
        const ChildResult result = capture(folder, {"--at", "p45,3.3", "--out", out, "--size", "480x270"});
        ASSERT_TRUE(result.succeeded()) << result.describe();
    }
    for (const char* moment : {"p45", "3.3"}) {
        const std::vector<uint8_t> first = file_bytes(folder.file(std::string("first/at-") + moment + ".png"));
        EXPECT_GT(first.size(), 1000u);
        EXPECT_EQ(first, file_bytes(folder.file(std::string("second/at-") + moment + ".png"))) << moment;
    }
}
