// The banner line, shared by the writer and by the C file that defines it.
#pragma once

#define BANNER_LINE                                                                                \
    "Displays keystroke events.  <Esc> to exit.  dorix.example/dorix  12/31/2019\r\n"

// Exactly the line's bytes, with no NUL after them: only the line is ever written.
#define BANNER_LENGTH (sizeof BANNER_LINE - 1)

#if defined(BANNER_OFFSET)
// In keycode.exe the banner is not part of the section, which has room for the code and the
// import tables alone. After linking, place_banner.sh writes the line into the free tail of
// the header block, which the loader maps read-only with the image; the build gives its
// offset there as BANNER_OFFSET.
extern "C" const char __ImageBase[];
#define BANNER_TEXT (__ImageBase + BANNER_OFFSET)
#elif defined(__cplusplus)
extern "C" const char BANNER_TEXT[BANNER_LENGTH];
#else
extern const char BANNER_TEXT[BANNER_LENGTH];
#endif
