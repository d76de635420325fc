#pragma once

#include <span>

namespace res {

// One numbered text of the program. Texts are UTF-8; "\n" is LF, "\r\n" CR LF.
struct StringEntry {
    int id;
    const char *utf8;
};

// Every numbered text, sorted by id, each id once.
std::span<const StringEntry> StringTable();

} // namespace res
