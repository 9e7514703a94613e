// Where a line of UTF-8 cut short may end: plain C++, so that the unit tests reach it.
#pragma once

#include <cstddef>

// The last place at or before `at` where a character of `text` starts: a line cut there ends
// with a whole character. text[at] must be readable.
inline size_t CutAtCharacter(const char *text, size_t at)
{
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xc0) == 0x80)
        --at;
    return at;
}
