#include "command_line.h"

const char *SkipArgument(const char *at)
{
    for (bool quoted = false; *at && (quoted || (*at != ' ' && *at != '\t')); ++at)
        if (*at == '"')
            quoted = !quoted;
    while (*at == ' ' || *at == '\t')
        ++at;
    return at;
}

bool CopyArgument(const char *from, const char *end, char *to, unsigned size)
{
    while (end != from && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    char *const first = to;
    for (; from != end; ++from) {
        if (*from == '"')
            continue;
        if (to == first + size - 1)
            return false;
        *to++ = *from;
    }
    *to = 0;
    return true;
}

bool AsksForReturnMode(const char *arguments)
{
    for (; *arguments; ++arguments)
        if (*arguments == '*')
            return true;
    return false;
}
