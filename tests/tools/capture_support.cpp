#include "tests/tools/capture_support.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {
const std::string CAPTURE = MORVA_CAPTURE_BINARY;
const std::string FONT = std::string(MORVA_SOURCE_DIR) + "/font/HomeVideo-Regular.ttf";

// What ffmpeg or ffprobe writes on standard output for the arguments.
std::string ffmpeg_output(const std::vector<std::string>& arguments) {
    const ChildResult result = ChildProcess::spawn_program(arguments).wait(std::chrono::minutes(1));
    EXPECT_TRUE(result.succeeded()) << result.describe().substr(0, 2000);
    return result.out;
}
}  // namespace

Picture read_png(const std::string& path) {
    Picture picture;
    int channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3), stbi_image_free);
    if (pixels == nullptr) {
        ADD_FAILURE() << "cannot read the PNG file " << path;
        return {};
    }
    EXPECT_EQ(channels, 3) << path << " is not an RGB picture";
    const size_t count = static_cast<size_t>(picture.width) * picture.height;
    picture.pixels.resize(count);
    for (size_t i = 0; i < count; ++i)
        picture.pixels[i] = {pixels.get()[i * 3], pixels.get()[i * 3 + 1], pixels.get()[i * 3 + 2]};
    return picture;
}

ShowFolder::ShowFolder(const char* track_seconds, bool with_font, bool with_music) {
    std::filesystem::create_directories(dir_.file("font"));
    std::filesystem::create_directories(dir_.file("sounds"));
    if (with_font) {
        EXPECT_TRUE(std::filesystem::exists(FONT)) << FONT << " is missing: scripts/test makes it";
        std::filesystem::copy_file(FONT, dir_.file("font/HomeVideo-Regular.ttf"));
    }
    if (with_music) std::filesystem::copy_file(test_track(track_seconds), dir_.file("sounds/music0.ogg"));
}

ChildResult capture(const ShowFolder& folder, const std::vector<std::string>& arguments,
                    const std::vector<std::pair<std::string, std::string>>& extra_env,
                    std::chrono::milliseconds timeout) {
    std::vector<std::string> argv = {CAPTURE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::pair<std::string, std::string>> env = {{"-DISPLAY", ""}};
    env.insert(env.end(), extra_env.begin(), extra_env.end());
    return run_drawing_program(argv, folder.path(), env, timeout);
}

ChildResult run_drawing_program(const std::vector<std::string>& argv, const std::string& folder,
                                const std::vector<std::pair<std::string, std::string>>& extra_env,
                                std::chrono::milliseconds timeout) {
    std::vector<std::pair<std::string, std::string>> env = drawing_program_environment();
    env.insert(env.end(), extra_env.begin(), extra_env.end());
    return ChildProcess::spawn_program(argv, env, folder).wait(timeout);
}

void expect_one_line_failure(const ChildResult& result, int status, const std::string& what) {
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_EQ(result.exit_code, status) << result.describe();
    const std::vector<std::string> lines = lines_of(result.err);
    ASSERT_EQ(lines.size(), 1u) << result.err;
    EXPECT_EQ(lines[0].rfind("morva-capture: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(what), std::string::npos) << lines[0];
    EXPECT_EQ(result.out, "");  // nothing began
}

std::vector<std::string> capture_complaints(const std::string& err) {
    std::vector<std::string> complaints;
    for (const std::string& line : lines_of(err)) {
        if (line.rfind("morva-capture: ", 0) != 0) continue;
        if (line.rfind("morva-capture: drawing off screen ", 0) == 0) continue;
        if (line.rfind("morva-capture: video written to ", 0) == 0) continue;
        complaints.push_back(line);
    }
    return complaints;
}

VideoFacts probe_video(const std::string& path) {
    VideoFacts facts;
    const std::string text =
        ffmpeg_output({"/usr/bin/ffprobe", "-v", "error", "-count_frames", "-show_entries",
                       "stream=codec_type,codec_name,width,height,nb_read_frames,duration", "-of", "default=nw=1", path});
    std::string codec, type;
    for (const std::string& line : lines_of(text)) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "codec_name") codec = value;
        if (key == "codec_type") type = value;
        if (key == "codec_type" && value == "video") facts.picture_codec = codec;
        if (key == "codec_type" && value == "audio") facts.sound_codec = codec;
        if (type == "video" && key == "width") facts.width = std::stoi(value);
        if (type == "video" && key == "height") facts.height = std::stoi(value);
        if (type == "video" && key == "nb_read_frames") facts.frames = std::stoll(value);
        if (type == "audio" && key == "duration") facts.sound_seconds = std::stod(value);
    }
    return facts;
}

std::vector<std::string> frame_hashes(const std::string& path) {
    std::vector<std::string> hashes;
    for (const std::string& line :
         lines_of(ffmpeg_output({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-i", path, "-map", "0:v", "-f", "framemd5", "-"}))) {
        if (line.empty() || line[0] == '#') continue;
        hashes.push_back(line.substr(line.rfind(' ') + 1));
    }
    return hashes;
}

std::vector<float> decoded_sound(const std::string& path) {
    const std::string bytes =
        ffmpeg_output({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-i", path, "-map", "0:a", "-f", "f32le", "-"});
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> hidden_files(const std::string& folder) {
    std::vector<std::string> names = names_in(folder);
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& name) { return name[0] != '.'; }),
                names.end());
    return names;
}

std::string frame_name(int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", frame);
    return name;
}
