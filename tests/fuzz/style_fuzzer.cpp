// The style store through its public operations, checked against a plain
// map. Each line of the input is one call:
//   c KEY=R,G,B,A   add a colour        n KEY=NUMBER   add a number
//   C KEY           find a colour       N KEY          find a number
//   d               start again from the default store
// Keys are any bytes but a newline and '='; numbers are what strtod reads
// (so also nan, inf and hexadecimal); missing numbers are 0.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "app/style.h"

namespace {
// The default store's keys, to read its values into the model.
constexpr const char* DEFAULT_KEYS[] = {
    "bg-color",        "border-color",         "border-line-width",         "contents-fill-color",
    "contents-color",  "contents-line-width",  "title-color",               "title-line-width",
    "buffer-display-color", "buffer-display-line-width", "image-display-color", "param-text-color",
    "param-text-line-width"};

// What a key holds, as the store should give it back.
struct Value {
    bool is_color = false;
    Color color;
    double number = 0.0;
};

bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool same(const Color& a, const Color& b) {
    return same(a.red, b.red) && same(a.green, b.green) && same(a.blue, b.blue) && same(a.alpha, b.alpha);
}

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// The numbers after '=', separated by commas.
double next_number(const char*& text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    text = *end == ',' ? end + 1 : end;
    return value;
}

class Checked {
public:
    Checked() : style_(Style::create()) {}
    ~Checked() { Style::destroy(style_); }

    void start_from_defaults() {
        Style::destroy(style_);
        style_ = create_default_style();
        model_.clear();
        for (const char* key : DEFAULT_KEYS) {
            Value value;
            double number = 0.0;
            require(style_->find_number(key, &number) == 1);
            require(style_->find_color(key, &value.color) == 1);
            value.number = number;
            value.is_color = number == 0.0;
            model_[key] = value;
        }
    }

    void add(bool is_color, const std::string& key, const char* text) {
        Value value;
        value.is_color = is_color;
        const bool fits = key.size() < static_cast<size_t>(STYLE_KEY_CAPACITY);
        int32_t result = 0;
        if (is_color) {
            value.color.red = next_number(text);
            value.color.green = next_number(text);
            value.color.blue = next_number(text);
            value.color.alpha = next_number(text);
            result = style_->add_color(key.c_str(), value.color);
        } else {
            value.number = next_number(text);
            result = style_->add_number(key.c_str(), value.number);
        }
        require(result == (fits ? 1 : 0));
        if (fits) model_[key] = value;
    }

    void find(bool as_color, const std::string& key) const {
        const auto entry = model_.find(key);
        const bool present = entry != model_.end();
        // The out values start as a pattern no store holds, to see that an
        // absent key leaves them untouched.
        const double untouched = -123.25;
        Color color{untouched, untouched, untouched, untouched};
        double number = untouched;
        const int32_t found = as_color ? style_->find_color(key.c_str(), &color) : style_->find_number(key.c_str(), &number);
        require(found == (present ? 1 : 0));
        if (!present) {
            require(same(color, Color{untouched, untouched, untouched, untouched}) && same(number, untouched));
            return;
        }
        const Value& value = entry->second;
        // No kind tag: a colour read as a number is 0, a number read as a colour is clear black.
        if (as_color) require(same(color, value.is_color ? value.color : Color{}));
        else require(same(number, value.is_color ? 0.0 : value.number));
    }

private:
    Style* style_;
    std::map<std::string, Value> model_;
};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Refused keys write a line each; the fuzzer and the sanitizers keep
    // writing to the real standard error.
    stderr = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Checked store;
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t from = 0;
    while (from < input.size()) {
        size_t end = input.find('\n', from);
        if (end == std::string::npos) end = input.size();
        const std::string line = input.substr(from, end - from);
        from = end + 1;
        if (line.empty()) continue;
        const size_t equals = line.find('=');
        // A key ends at '=' or the line's end, and for the store at its first zero byte.
        const std::string raw_key = line.substr(std::min<size_t>(2, line.size()), equals == std::string::npos ? std::string::npos : equals - std::min<size_t>(2, line.size()));
        const std::string key(raw_key.c_str());
        const std::string values = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        switch (line[0]) {
            case 'c': store.add(true, key, values.c_str()); break;
            case 'n': store.add(false, key, values.c_str()); break;
            case 'C': store.find(true, key); break;
            case 'N': store.find(false, key); break;
            case 'd': store.start_from_defaults(); break;
            default: break;
        }
    }
    return 0;
}
