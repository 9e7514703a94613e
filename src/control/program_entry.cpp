#include "control/program.h"

OptionFlags GetOptionFlags()
{
    OptionFlags flags = 0;
    // No argument splitting and no quoting rules: a '/' or '*' counts wherever it stands,
    // the program's own path included.
    if (const char *line = GetCommandLineA()) {
        for (; *line; ++line) {
            if (*line == '/')
                flags |= OPTION_RELEASES;
            if (*line == '*')
                flags |= OPTION_RETURN;
        }
    }
    return flags;
}

extern "C" int ProgramEntry()
{
    const OptionFlags flags = GetOptionFlags();
    if (!(flags & OPTION_RETURN))
        WriteKeyValue(NO_KEY); // a banner that cannot be written is caught at the first key
    for (;;) {
        const KeyValue value = ReadKeyValue();
        if (value == NO_KEY)
            return NO_KEY;
        // The release filter comes first, so return mode without '/' waits for a press.
        if (!(value & KEY_DOWN_FLAG) && !(flags & OPTION_RELEASES))
            continue;
        if (flags & OPTION_RETURN)
            return value;
        if (!WriteKeyValue(value))
            return NO_KEY;
        // Only a shown Esc ends the loop, and only its virtual-key code counts.
        if ((value & 0xFF) == VK_ESCAPE)
            return 0;
    }
}
