// The show opened and closed in one place. A failed open leaves nothing
// open and a close leaves nothing behind: this program runs under the leak
// checker in the sanitizer build, which is what sees "nothing" (every
// ShowScene case closes a whole session too).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "show/show_session.h"
#include "tests/show/show_fixture.h"
#include "tests/support/sound_files.h"

TEST(ShowSession, AFontThatCannotBeReadFailsTheOpeningAlone) {
    const ShowFiles files{"/nonexistent/font.ttf", "/nonexistent/music.ogg"};
    testing::internal::CaptureStderr();
    EXPECT_EQ(show_session_open(files, 1920, 1080), nullptr);
    // The music is not read once the font has failed.
    EXPECT_EQ(lines_of(testing::internal::GetCapturedStderr()),
              std::vector<std::string>{"error loading font: /nonexistent/font.ttf"});

    // Samples handed over are the session's, opened or not.
    testing::internal::CaptureStderr();
    EXPECT_EQ(show_session_open_samples(samples_in_memory(44100), "/nonexistent/font.ttf", 1920, 1080), nullptr);
    EXPECT_EQ(lines_of(testing::internal::GetCapturedStderr()),
              std::vector<std::string>{"error loading font: /nonexistent/font.ttf"});
}
