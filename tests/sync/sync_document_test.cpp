// The editor's documents written here as XML text, read into tracks or
// refused with one line and the tracks left as they were.
#include "sync/sync_document.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/sound_files.h"

namespace {
using I = SyncInterpolation;
using Keys = std::vector<SyncKey>;

const Keys SPIN{{1, 2.0f, I::ramp}};

// Tracks before every read: "fade" is in most documents, "spin" in none.
SyncTracks before() {
    SyncTracks tracks;
    tracks.find_or_create("fade")->keys = {{99, 5.0f, I::step}};
    tracks.find_or_create("spin")->keys = SPIN;
    return tracks;
}

std::string document(const std::string& tracks) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sync rows=\"10000\">\n\t<tracks>\n" + tracks +
           "\t</tracks>\n\t<bookmarks>\n\t\t<bookmark row=\"16\"/>\n\t</bookmarks>\n</sync>\n";
}

std::string fade(const std::string& keys) { return "\t\t<track name=\"fade\">\n" + keys + "\t\t</track>\n"; }

using Tracks = std::vector<std::pair<std::string, Keys>>;

struct DocumentCase {
    const char* what;
    std::string text;
    std::string why;  // the refusal's reason, or empty when the document is read
    Tracks tracks;    // every track after a read, in order
};

// A document whose one track "fade" holds keys, refused because its first
// bad key is as why says.
DocumentCase bad_key(const char* what, const std::string& keys, const std::string& why) {
    return {what, document(fade(keys)), "track \"fade\" " + why, {}};
}

class SyncDocumentRead : public testing::TestWithParam<DocumentCase> {};

TEST_P(SyncDocumentRead, GivesItsTracksOrOneLineSayingWhy) {
    const DocumentCase& c = GetParam();
    const TempDir dir;
    const std::string path = dir.file("show.rocket");
    write_text(path, c.text);
    SyncTracks tracks = before();
    testing::internal::CaptureStderr();
    EXPECT_EQ(sync_document_read(path.c_str(), &tracks), c.why.empty() ? 1 : 0) << c.what;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              c.why.empty() ? "" : "error reading sync document " + path + ": " + c.why + "\n") << c.what;
    Tracks read;
    for (const SyncTrack& track : tracks.tracks) read.emplace_back(track.name, track.keys);
    // A refused document leaves the tracks as they were.
    const Tracks kept{{"fade", {{99, 5.0f, I::step}}}, {"spin", SPIN}};
    EXPECT_EQ(read, c.why.empty() ? c.tracks : kept) << c.what;
}

const std::string NO_INT32 = " is not a whole number from -2147483648 to 2147483647";

const DocumentCase DOCUMENTS[] = {
    {"the editor's layout: named tracks replaced, new ones made in order, others kept",
     document("\t\t<track name=\"cam:x\">\n"
              "\t\t\t<key row=\"0\" value=\"-1.5\" interpolation=\"1\"/>\n"
              "\t\t\t<key row=\"16\" value=\"3.4028235e+38\" interpolation=\"2\"/>\n"
              "\t\t</track>\n" +
              fade("\t\t\t<key row=\"-4\" value=\"0.25\" interpolation=\"3\"/>\n"
                   "\t\t\t<key row=\"8\" value=\"1e-3\" interpolation=\"0\"/>\n") +
              "\t\t<track name=\"empty\"/>\n"),
     "",
     {{"fade", {{-4, 0.25f, I::ramp}, {8, 0.001f, I::step}}},
      {"spin", SPIN},
      {"cam:x", {{0, -1.5f, I::linear}, {16, 3.4028235e38f, I::smooth}}},
      {"empty", {}}}},
    {"the older layout, <tracks> at the top; unknown elements and attributes ignored",
     "<tracks rows=\"128\"><note/><track name=\"fade\" colour=\"red\"><key row=\"3\" value=\"2\" "
     "interpolation=\"1\" selected=\"1\"/><comment/></track></tracks>",
     "", {{"fade", {{3, 2.0f, I::linear}}}, {"spin", SPIN}}},
    {"sorted, the last key on a row wins, across a repeated track, no interpolation is step",
     document(fade("<key row=\"7\" value=\"1\" interpolation=\"1\"/><key row=\"3\" value=\"1\"/>") +
              fade("<key row=\"7\" value=\"-10\" interpolation=\"2\"/>")),
     "", {{"fade", {{3, 1.0f, I::step}, {7, -10.0f, I::smooth}}}, {"spin", SPIN}}},
    {"malformed", document(fade("<key row=\"1\" value=\"1\">")),
     "not well-formed XML at byte 118: Start-end tags mismatch", {}},
    {"empty", "", "not well-formed XML at byte 0: No document element found", {}},
    {"another document element", "<svg/>", "its document element is <svg>, not <sync> or <tracks>", {}},
    {"a track without a name", document(fade("") + "<track/>"), "track 2 has no name", {}},
    bad_key("no row", "<key value=\"1\"/>", "key 1 has no row"),
    bad_key("no value", "<key row=\"1\"/>", "key 1 has no value"),
    bad_key("a row in words", "<key row=\"1\" value=\"1\"/><key row=\"two\" value=\"1\"/>",
            "key 2 row \"two\"" + NO_INT32),
    bad_key("a row beyond int32", "<key row=\"2147483648\" value=\"1\"/>", "key 1 row \"2147483648\"" + NO_INT32),
    bad_key("a fractional row", "<key row=\"1.5\" value=\"1\"/>", "key 1 row \"1.5\"" + NO_INT32),
    bad_key("NaN", "<key row=\"1\" value=\"nan\"/>", "key 1 value \"nan\" is not a finite float"),
    bad_key("infinity", "<key row=\"1\" value=\"-inf\"/>", "key 1 value \"-inf\" is not a finite float"),
    bad_key("beyond the float range", "<key row=\"1\" value=\"1e39\"/>", "key 1 value \"1e39\" is not a finite float"),
    bad_key("trailing text over two lines", "<key row=\"1\" value=\"1.5&#10;px and then a great deal more text\"/>",
            "key 1 value \"1.5?px and then a great deal more text\" is not a finite float"),
    bad_key("interpolation 4", "<key row=\"1\" value=\"1\" interpolation=\"4\"/>",
            "key 1 interpolation \"4\" is not 0, 1, 2 or 3"),
    bad_key("interpolation by name", "<key row=\"1\" value=\"1\" interpolation=\"linear\"/>",
            "key 1 interpolation \"linear\" is not 0, 1, 2 or 3"),
};
INSTANTIATE_TEST_SUITE_P(Documents, SyncDocumentRead, testing::ValuesIn(DOCUMENTS));

TEST(SyncDocument, HoldsAMillionKeysAndRefusesAFolder) {
    std::string keys;
    keys.reserve(30000000);
    for (int row = 999999; row >= 0; --row)
        keys.append("<key row=\"").append(std::to_string(row)).append("\" value=\"1\"/>");
    const std::string text = document(fade(keys));
    SyncTracks tracks;
    ASSERT_EQ(sync_document_parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "long", &tracks), 1);
    ASSERT_EQ(tracks.tracks.at(0).keys.size(), 1000000u);
    EXPECT_EQ(tracks.tracks[0].keys.back(), (SyncKey{999999, 1.0f, I::step}));

    const TempDir dir;
    testing::internal::CaptureStderr();
    EXPECT_EQ(sync_document_read(dir.path().c_str(), &tracks), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "error reading sync document " + dir.path() + ": Is a directory\n");
}
}  // namespace
