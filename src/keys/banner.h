// The banner line, shared by the writer and by the C file that defines it.
#pragma once

#define BANNER_LINE                                                                                \
    "Displays keystroke events.  <Esc> to exit.  dorix.example/dorix  12/31/2019\r\n"

// Exactly the line's bytes, with no NUL after them: only the line is ever written.
#ifdef __cplusplus
extern "C" const char BANNER_TEXT[sizeof BANNER_LINE - 1];
#else
extern const char BANNER_TEXT[sizeof BANNER_LINE - 1];
#endif
