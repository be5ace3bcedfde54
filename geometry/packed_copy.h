#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

// Copies n entries from a packed run of their components (three floats per
// Vec3, three indices per triangle, ...) into array and sets count. With the
// same n as before the existing array is overwritten in place; otherwise it
// is replaced by one of n entries, built before the old one goes, so src may
// point into it. A negative n or a missing source leaves the array empty.
template <typename Entry, typename Component>
void copy_packed(std::vector<Entry>& array, int32_t& count, const Component* src, int32_t n) {
    static_assert(sizeof(Entry) % sizeof(Component) == 0, "an entry is a whole number of components");
    if (n < 0 || src == nullptr) n = 0;
    const size_t bytes = sizeof(Entry) * static_cast<size_t>(n);
    if (n == count && static_cast<size_t>(n) == array.size()) {
        if (n > 0) std::memmove(array.data(), src, bytes);
        return;
    }
    std::vector<Entry> fresh(static_cast<size_t>(n));
    if (n > 0) std::memcpy(fresh.data(), src, bytes);
    array.swap(fresh);
    count = n;
}
