#include "control/program.h"

OptionFlags KEYCODE_CALL GetOptionFlags()
{
    OptionFlags flags = 0;
    // No argument splitting and no quoting rules: a '/' or '*' counts wherever it stands,
    // the program's own path included. A null line is an empty one.
    for (const char *line = GetCommandLineA(); line && *line; ++line) {
        if (*line == '/')
            flags |= OPTION_RELEASES;
        if (*line == '*')
            flags |= OPTION_RETURN;
    }
    return flags;
}

// The loop itself; its result is the status the process ends with.
static int RunKeyLoop()
{
    const OptionFlags flags = GetOptionFlags();
    if (!(flags & OPTION_RETURN))
        WriteKeyValue(NO_KEY); // a banner that cannot be written is caught at the first key
    KeyValue value;
    do {
        // The release filter comes first, so return mode without '/' waits for a press.
        do {
            value = ReadKeyValue();
            if (value == NO_KEY)
                return NO_KEY;
        } while (!KeyPasses(value, flags));
        if (flags & OPTION_RETURN)
            return value;
        if (!WriteKeyValue(value))
            return NO_KEY;
        // Only a shown Esc ends the loop, and only its virtual-key code counts.
    } while ((value & 0xFF) != VK_ESCAPE);
    return 0;
}

extern "C" void ProgramEntry()
{
    // Returning would end only this thread; the process, and the status it reports, would
    // then wait for whatever other threads the loader or the console host put into it.
    ExitProcess(static_cast<UINT>(RunKeyLoop()));
}
