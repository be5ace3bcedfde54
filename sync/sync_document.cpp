#include "sync/sync_document.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sync/file_bytes.h"

namespace {
// ---------------------------------------------------------------------------
// Messages: one line, whatever the document holds

constexpr size_t QUOTED_BYTES = 40;  // of a name or an attribute, in a message

// text cut to QUOTED_BYTES, with control bytes (a newline from "&#10;",
// say) shown as '?' so that the message stays one line.
std::string shown(std::string_view text) {
    std::string out;
    for (const char ch : text.substr(0, QUOTED_BYTES)) out.push_back(static_cast<unsigned char>(ch) < 0x20 ? '?' : ch);
    if (text.size() > QUOTED_BYTES) out += "...";
    return out;
}

std::string quoted(std::string_view text) { return "\"" + shown(text) + "\""; }

int32_t refuse(const char* path, const std::string& why) {
    std::fprintf(stderr, "error reading sync document %s: %s\n", path, why.c_str());
    return 0;
}

// ---------------------------------------------------------------------------
// Numbers, whole attribute or nothing

template <typename Number>
bool whole_number(const char* text, Number* out) {
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, *out);
    return error == std::errc() && stop == end && stop != text;
}

// Why the key element is refused, or an empty text; the key in *key.
std::string read_key(const pugi::xml_node& element, SyncKey* key) {
    const pugi::xml_attribute row = element.attribute("row"), value = element.attribute("value"),
                              interpolation = element.attribute("interpolation");
    if (!row) return "has no row";
    if (!value) return "has no value";
    if (!whole_number(row.value(), &key->row))
        return "row " + quoted(row.value()) + " is not a whole number from -2147483648 to 2147483647";
    if (!whole_number(value.value(), &key->value) || !std::isfinite(key->value))
        return "value " + quoted(value.value()) + " is not a finite float";
    int32_t kind = 0;  // a key without one is a step, as the editor reads it
    if (interpolation && (!whole_number(interpolation.value(), &kind) || kind < 0 || kind >= SYNC_INTERPOLATION_COUNT))
        return "interpolation " + quoted(interpolation.value()) + " is not 0, 1, 2 or 3";
    key->interpolation = static_cast<SyncInterpolation>(kind);
    return {};
}

// ---------------------------------------------------------------------------
// The document, read into a set of its own

// Sorts by row and keeps the last of the keys on a row, as setting them in
// document order would; documents the editor saved are sorted already.
void order_keys(std::vector<SyncKey>& keys) {
    const auto by_row = [](const SyncKey& a, const SyncKey& b) { return a.row < b.row; };
    std::stable_sort(keys.begin(), keys.end(), by_row);
    const auto last_of_row = std::unique(keys.rbegin(), keys.rend(),
                                         [](const SyncKey& a, const SyncKey& b) { return a.row == b.row; });
    keys.erase(keys.begin(), last_of_row.base());
}

// The element after node in document order below root, or an empty node;
// a walk without recursion, so that deep nesting costs no stack.
pugi::xml_node next_in_document(pugi::xml_node node, const pugi::xml_node& root) {
    if (node.first_child()) return node.first_child();
    while (node != root && !node.next_sibling()) node = node.parent();
    return node == root ? pugi::xml_node() : node.next_sibling();
}

struct Parsed {
    std::vector<SyncTrack> tracks;  // in document order, one per name
    std::unordered_map<std::string, size_t> by_name;
};

// Why the track element is refused, or an empty text; its keys added to
// those already read for its name.
std::string read_track(const pugi::xml_node& element, size_t number, Parsed* parsed) {
    const pugi::xml_attribute name = element.attribute("name");
    if (!name) return "track " + std::to_string(number) + " has no name";
    const auto [at, made] = parsed->by_name.try_emplace(name.value(), parsed->tracks.size());
    if (made) parsed->tracks.push_back(SyncTrack{name.value(), {}});
    std::vector<SyncKey>& keys = parsed->tracks[at->second].keys;
    size_t key_number = 0;
    for (const pugi::xml_node child : element.children("key")) {
        SyncKey key{};
        const std::string why = read_key(child, &key);
        ++key_number;
        if (!why.empty()) return "track " + quoted(name.value()) + " key " + std::to_string(key_number) + " " + why;
        keys.push_back(key);
    }
    return {};
}

// Why the document is refused, or an empty text with its tracks in *parsed.
std::string read_document(const uint8_t* bytes, size_t size, Parsed* parsed) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(bytes, size);
    if (!result)
        return "not well-formed XML at byte " + std::to_string(result.offset) + ": " + result.description();
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "sync") != 0 && std::strcmp(root.name(), "tracks") != 0)
        return "its document element is <" + shown(root.name()) + ">, not <sync> or <tracks>";
    size_t track_number = 0;
    for (pugi::xml_node node = next_in_document(root, root); node; node = next_in_document(node, root)) {
        if (node.type() != pugi::node_element || std::strcmp(node.name(), "track") != 0) continue;
        const std::string why = read_track(node, ++track_number, parsed);
        if (!why.empty()) return why;
    }
    for (SyncTrack& track : parsed->tracks) order_keys(track.keys);
    return {};
}

}  // namespace

// ---------------------------------------------------------------------------
// Reading

int32_t sync_document_parse(const uint8_t* bytes, size_t size, const char* path, SyncTracks* tracks) {
    Parsed parsed;
    const std::string why = read_document(bytes, size, &parsed);
    if (!why.empty()) return refuse(path, why);
    // Nothing below can fail: the document's keys take the place of the
    // tracks' own, found by name once each.
    std::unordered_map<std::string_view, SyncTrack*> existing;
    for (SyncTrack& track : tracks->tracks) existing.emplace(track.name, &track);
    for (SyncTrack& track : parsed.tracks) {
        const auto found = existing.find(track.name);
        if (found != existing.end()) found->second->keys.swap(track.keys);
        else tracks->tracks.push_back(std::move(track));
    }
    return 1;
}

int32_t sync_document_read(const char* path, SyncTracks* tracks) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (read_file_bytes(path, bytes, why) != 1) return refuse(path, why);
    return sync_document_parse(bytes.data(), bytes.size(), path, tracks);
}
