// The editor's documents written here as XML text, read into tracks or
// refused with one line and the tracks left as they were.
#include "sync/sync_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sound_files.h"

namespace {
using I = SyncInterpolation;
using Keys = std::vector<SyncKey>;

// Tracks before every read: "fade" is in most documents, "spin" in none.
SyncTracks before() {
    SyncTracks tracks;
    tracks.find_or_create("fade")->keys = {{99, 5.0f, I::step}};
    tracks.find_or_create("spin")->keys = {{1, 2.0f, I::ramp}};
    return tracks;
}

std::string document(const std::string& tracks) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sync rows=\"10000\">\n\t<tracks>\n" + tracks +
           "\t</tracks>\n\t<bookmarks>\n\t\t<bookmark row=\"16\"/>\n\t</bookmarks>\n</sync>\n";
}

std::string fade(const std::string& keys) { return "\t\t<track name=\"fade\">\n" + keys + "\t\t</track>\n"; }

struct TrackKeys {
    const char* name;
    Keys keys;
};

struct DocumentCase {
    const char* what;
    std::string text;
    const char* why;                 // the refusal's reason, or nullptr when the document is read
    std::vector<TrackKeys> tracks;   // every track after a read, in order
};

class SyncDocumentRead : public testing::TestWithParam<DocumentCase> {};

TEST_P(SyncDocumentRead, GivesItsTracksOrOneLineSayingWhy) {
    const DocumentCase& c = GetParam();
    const TempDir dir;
    const std::string path = dir.file("show.rocket");
    write_text(path, c.text);
    SyncTracks tracks = before();
    testing::internal::CaptureStderr();
    const int32_t status = sync_document_read(path.c_str(), &tracks);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, c.why ? 0 : 1) << c.what;
    EXPECT_EQ(errors, c.why ? "error reading sync document " + path + ": " + c.why + "\n" : "") << c.what;
    std::vector<TrackKeys> expected = c.tracks;
    if (c.why) expected = {{"fade", before().tracks[0].keys}, {"spin", before().tracks[1].keys}};
    ASSERT_EQ(tracks.count(), static_cast<int32_t>(expected.size())) << c.what;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(tracks.tracks[i].name, expected[i].name) << c.what;
        EXPECT_EQ(tracks.tracks[i].keys, expected[i].keys) << c.what << ", track " << expected[i].name;
    }
}

const Keys SPIN{{1, 2.0f, I::ramp}};

const DocumentCase DOCUMENTS[] = {
    {"the editor's layout: named tracks replaced, new ones made in order, others kept",
     document("\t\t<track name=\"cam:x\">\n"
              "\t\t\t<key row=\"0\" value=\"-1.5\" interpolation=\"1\"/>\n"
              "\t\t\t<key row=\"16\" value=\"3.4028235e+38\" interpolation=\"2\"/>\n"
              "\t\t</track>\n" +
              fade("\t\t\t<key row=\"-4\" value=\"0.25\" interpolation=\"3\"/>\n"
                   "\t\t\t<key row=\"8\" value=\"1e-3\" interpolation=\"0\"/>\n") +
              "\t\t<track name=\"empty\"/>\n"),
     nullptr,
     {{"fade", {{-4, 0.25f, I::ramp}, {8, 0.001f, I::step}}},
      {"spin", SPIN},
      {"cam:x", {{0, -1.5f, I::linear}, {16, 3.4028235e38f, I::smooth}}},
      {"empty", {}}}},
    {"the older layout, <tracks> at the top; unknown elements and attributes ignored",
     "<tracks rows=\"128\"><note/><track name=\"fade\" colour=\"red\"><key row=\"3\" value=\"2\" "
     "interpolation=\"1\" selected=\"1\"/><comment/></track></tracks>",
     nullptr, {{"fade", {{3, 2.0f, I::linear}}}, {"spin", SPIN}}},
    {"sorted, the last key on a row wins, across a repeated track, no interpolation is step",
     document(fade("<key row=\"7\" value=\"1\" interpolation=\"1\"/><key row=\"3\" value=\"1\"/>") +
              fade("<key row=\"7\" value=\"-10\" interpolation=\"2\"/>")),
     nullptr, {{"fade", {{3, 1.0f, I::step}, {7, -10.0f, I::smooth}}}, {"spin", SPIN}}},
    {"malformed", document(fade("<key row=\"1\" value=\"1\">")), "not well-formed XML at byte 118: "
                                                                  "Start-end tags mismatch", {}},
    {"empty", "", "not well-formed XML at byte 0: No document element found", {}},
    {"another document element", "<svg/>", "its document element is <svg>, not <sync> or <tracks>", {}},
    {"a track without a name", document(fade("") + "<track/>"), "track 2 has no name", {}},
    {"no row", document(fade("<key value=\"1\"/>")), "track \"fade\" key 1 has no row", {}},
    {"no value", document(fade("<key row=\"1\"/>")), "track \"fade\" key 1 has no value", {}},
    {"a row in words", document(fade("<key row=\"1\" value=\"1\"/><key row=\"two\" value=\"1\"/>")),
     "track \"fade\" key 2 row \"two\" is not a whole number from -2147483648 to 2147483647", {}},
    {"a row beyond int32", document(fade("<key row=\"2147483648\" value=\"1\"/>")),
     "track \"fade\" key 1 row \"2147483648\" is not a whole number from -2147483648 to 2147483647", {}},
    {"a fractional row", document(fade("<key row=\"1.5\" value=\"1\"/>")),
     "track \"fade\" key 1 row \"1.5\" is not a whole number from -2147483648 to 2147483647", {}},
    {"NaN", document(fade("<key row=\"1\" value=\"nan\"/>")), "track \"fade\" key 1 value \"nan\" is not a finite float",
     {}},
    {"infinity", document(fade("<key row=\"1\" value=\"-inf\"/>")),
     "track \"fade\" key 1 value \"-inf\" is not a finite float", {}},
    {"beyond the float range", document(fade("<key row=\"1\" value=\"1e39\"/>")),
     "track \"fade\" key 1 value \"1e39\" is not a finite float", {}},
    {"a value with trailing text, over one line",
     document(fade("<key row=\"1\" value=\"1.5&#10;px and then a great deal more text\"/>")),
     "track \"fade\" key 1 value \"1.5?px and then a great deal more text\" is not a finite float", {}},
    {"interpolation 4", document(fade("<key row=\"1\" value=\"1\" interpolation=\"4\"/>")),
     "track \"fade\" key 1 interpolation \"4\" is not 0, 1, 2 or 3", {}},
    {"interpolation by name", document(fade("<key row=\"1\" value=\"1\" interpolation=\"linear\"/>")),
     "track \"fade\" key 1 interpolation \"linear\" is not 0, 1, 2 or 3", {}},
};
INSTANTIATE_TEST_SUITE_P(Documents, SyncDocumentRead, testing::ValuesIn(DOCUMENTS));

TEST(SyncDocument, HoldsAMillionKeysAndRefusesAFolder) {
    std::string keys;
    for (int row = 999999; row >= 0; --row) keys += "<key row=\"" + std::to_string(row) + "\" value=\"1\"/>";
    const std::string text = document(fade(keys));
    SyncTracks tracks;
    ASSERT_EQ(sync_document_parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "long", &tracks), 1);
    ASSERT_EQ(tracks.tracks.at(0).keys.size(), 1000000u);
    EXPECT_EQ(tracks.tracks[0].keys.back(), (SyncKey{999999, 1.0f, I::step}));

    const TempDir dir;
    testing::internal::CaptureStderr();
    EXPECT_EQ(sync_document_read(dir.path().c_str(), &tracks), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error reading sync document " + dir.path() + ": Is a directory\n");
}
}  // namespace
