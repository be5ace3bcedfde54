// Fitting images into the texture side limit, without a display.
#include "gui/image_resize.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ImageResize, EachSideIsClampedToTheLimitOnItsOwn) {
    EXPECT_EQ(texture_upload_size(5000, 3000).width, 4096);
    EXPECT_EQ(texture_upload_size(5000, 3000).height, 3000);
    EXPECT_EQ(texture_upload_size(300, 9000).width, 300);
    EXPECT_EQ(texture_upload_size(300, 9000).height, 4096);
    EXPECT_EQ(texture_upload_size(4096, 4096).width, 4096);
    EXPECT_EQ(texture_upload_size(4097, 1).width, 4096);
}

TEST(ImageResize, ShrinksRgbaKeepingEveryChannel) {
    // Sixteen columns: eight of (200, 100, 50, 255), then eight of (0, 0, 0, 0).
    // Halved, the outer columns keep their colours in all four channels.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool lit = x < 8;
            pixels.insert(pixels.end(), {uint8_t(lit ? 200 : 0), uint8_t(lit ? 100 : 0),
                                         uint8_t(lit ? 50 : 0), uint8_t(lit ? 255 : 0)});
        }
    const std::vector<uint8_t> halved = resize_rgba(pixels.data(), 16, 2, 8, 1);
    ASSERT_EQ(halved.size(), 8u * 1 * 4);
    EXPECT_EQ(std::vector<uint8_t>(halved.begin(), halved.begin() + 4),
              (std::vector<uint8_t>{200, 100, 50, 255}));
    EXPECT_EQ(std::vector<uint8_t>(halved.end() - 4, halved.end()), (std::vector<uint8_t>(4, 0)));

    const std::vector<uint8_t> big(5000u * 3 * 4, 77);
    const std::vector<uint8_t> fitted = resize_rgba(big.data(), 5000, 3, 4096, 3);
    ASSERT_EQ(fitted.size(), 4096u * 3 * 4);
    EXPECT_EQ(fitted.front(), 77);
    EXPECT_EQ(fitted.back(), 77);
}

TEST(ImageResize, NoPixelsOrNoSizeGivesNothing) {
    const std::vector<uint8_t> pixels(16, 1);
    EXPECT_TRUE(resize_rgba(nullptr, 2, 2, 1, 1).empty());
    EXPECT_TRUE(resize_rgba(pixels.data(), 0, 2, 1, 1).empty());
    EXPECT_TRUE(resize_rgba(pixels.data(), 2, 2, 0, 1).empty());
}
