/* Defined in C because C, unlike C++, lets a string fill its array exactly and drops the
   NUL: the byte it saves is one of the 512 that the whole section may hold. */
#include "keys/banner.h"

const char BANNER_TEXT[sizeof BANNER_LINE - 1] = BANNER_LINE;
