// Keys read from a document or player files into the tracks a show has,
// saved as player files, and read again by the watch when they are saved.
#include "sync/sync_source.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "sync/player_file.h"
#include "sync/sync_watch.h"
#include "tests/support/sound_files.h"

namespace {
using I = SyncInterpolation;
using Keys = std::vector<SyncKey>;

std::string document(const std::string& fade_value) {
    return "<sync rows=\"64\"><tracks>"
           "<track name=\"fade\"><key row=\"4\" value=\"" + fade_value + "\" interpolation=\"1\"/></track>"
           "<track name=\"other:show\"><key row=\"0\" value=\"1\"/></track>"
           "</tracks></sync>\n";
}

// Writes the file as editors save: a temporary file beside it, renamed over it.
void save_as_an_editor_does(const std::string& path, const std::string& text) {
    write_file_bytes(path + ".tmp", std::vector<uint8_t>(text.begin(), text.end()));
    ASSERT_EQ(std::rename((path + ".tmp").c_str(), path.c_str()), 0);
}

SyncTracks show_tracks() {
    SyncTracks tracks;
    tracks.find_or_create("fade");
    tracks.find_or_create("spin")->keys = {{2, 3.0f, I::step}};
    return tracks;
}

// What the watch has read, within five seconds.
bool taken(SyncWatch* watch, SyncTracks* out) {
    for (int wait = 0; wait < 500; ++wait) {
        if (sync_watch_take(watch, out)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
}  // namespace

// A document's tracks the show has take its keys, and the others keep
// theirs; one it names that the show does not is said at each read. The
// watch reads it again when it is saved over and hands the keys over, as
// the document now is; a save that does not read is said in one line and
// hands nothing, and the next good one comes through. Files beside it are
// not its own.
TEST(SyncWatch, ReadsTheDocumentAgainOnEachSaveAndKeepsTheLastGoodKeys) {
    const TempDir dir;
    const std::string path = dir.file("show.rocket");
    save_as_an_editor_does(path, document("0.5"));
    SyncTracks tracks = show_tracks();
    testing::internal::CaptureStderr();
    ASSERT_EQ(sync_source_load(path, &tracks), 1);
    EXPECT_EQ(tracks.at(0)->keys, (Keys{{4, 0.5f, I::linear}}));
    EXPECT_EQ(tracks.at(1)->keys, (Keys{{2, 3.0f, I::step}}));
    SyncWatch* watch = sync_watch_start(path, tracks);
    ASSERT_NE(watch, nullptr);
    save_as_an_editor_does(path, document("0.75"));
    SyncTracks read;
    ASSERT_TRUE(taken(watch, &read));
    EXPECT_EQ(read.at(0)->keys, (Keys{{4, 0.75f, I::linear}}));
    EXPECT_TRUE(read.at(1)->keys.empty());

    for (const std::string& other : {dir.file("notes.rocket"), path}) {
        save_as_an_editor_does(other, other == path ? "<sync><tracks><track name=\"fade\">" : document("9"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(sync_watch_take(watch, &read)) << other;
    }
    save_as_an_editor_does(path, document("1"));
    ASSERT_TRUE(taken(watch, &read));
    EXPECT_EQ(read.at(0)->keys, (Keys{{4, 1.0f, I::linear}}));
    sync_watch_stop(watch);
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string unknown = "sync: " + path + " has a track the show does not: other:show\n";
    const std::string reloaded = unknown + "sync: keys reloaded from " + path + "\n";
    EXPECT_EQ(said.substr(0, said.find("error")), unknown + reloaded) << said;
    EXPECT_NE(said.find("error reading sync document " + path + ": "), std::string::npos) << said;
    EXPECT_EQ(said.substr(said.size() - reloaded.size()), reloaded) << said;
}

// Player files are saved for every track beside a document, an emptied
// track as a file of no keys, which reads back empty; a removed file
// leaves its track without keys at the watch's next read. A folder that is
// not there cannot be watched: one line, no watch.
TEST(SyncWatch, SavesAndReadsPlayerFilesAgainAndSaysWhenItCannotWatch) {
    const TempDir dir;
    const std::string prefix = sync_source_save_prefix(dir.file("show.rocket"));
    EXPECT_EQ(prefix, dir.file("show"));
    SyncTracks tracks = show_tracks();
    ASSERT_EQ(sync_source_save(tracks, prefix), 1);
    tracks.at(0)->keys = {{1, 1.0f, I::ramp}};
    ASSERT_EQ(sync_source_load(prefix, &tracks), 1);
    EXPECT_TRUE(tracks.at(0)->keys.empty());
    EXPECT_EQ(tracks.at(1)->keys, show_tracks().at(1)->keys);

    SyncWatch* watch = sync_watch_start(prefix, tracks);
    ASSERT_NE(watch, nullptr);
    testing::internal::CaptureStderr();
    ASSERT_EQ(std::remove(player_file_name(prefix, "spin").c_str()), 0);
    SyncTracks read;
    EXPECT_TRUE(taken(watch, &read));
    sync_watch_stop(watch);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "sync: keys reloaded from " + prefix + "\n");
    EXPECT_TRUE(read.at(1)->keys.empty());

    testing::internal::CaptureStderr();
    EXPECT_EQ(sync_watch_start(dir.file("missing/show"), tracks), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "sync: cannot watch " + dir.file("missing") + " for changes: No such file or directory\n");
}
