/* The banner as ordinary data, for the builds that run the program's code natively; keycode.exe
   carries it in its header block instead. Defined in C because C, unlike C++, lets a string
   fill its array exactly and drops the NUL, which is never written. */
#include "keys/banner.h"

const char BANNER_TEXT[BANNER_LENGTH] = BANNER_LINE;
