// The launcher's own command line, split as Windows splits one. Plain code with no library,
// so that it is checked on the build machine too.
#pragma once

// Past one argument (quotes keep blanks in it), and past the blanks after it.
const char *SkipArgument(const char *at);

// The argument that runs from `from` to `end`, without its quotes and the blanks after it,
// into `to`, which holds `size` bytes with the NUL. False when it does not fit: then nothing
// is written at or past to + size.
bool CopyArgument(const char *from, const char *end, char *to, unsigned size);

// keycode's own rule for return mode: a '*' anywhere in its command line. The launcher puts
// keycode's path before the arguments, and a path holds no '*', so the arguments tell.
bool AsksForReturnMode(const char *arguments);
