#include "app/key_codes.h"

namespace {
KeyCodes current_key_codes{};
int32_t modifier_bits = 0;
}  // namespace

const KeyCodes& key_codes() { return current_key_codes; }

void set_key_codes(const KeyCodes& codes) { current_key_codes = codes; }

int32_t modifiers() { return modifier_bits; }

void set_modifier(int32_t bits) { modifier_bits |= bits; }

void clear_modifier(int32_t bits) { modifier_bits &= ~bits; }
