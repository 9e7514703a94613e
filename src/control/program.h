// Process entry, option scan and the key loop.
#pragma once

#include "keys/key_value.h"

typedef unsigned OptionFlags;

const OptionFlags OPTION_RELEASES = 1; // a '/' anywhere: releases are shown as well
const OptionFlags OPTION_RETURN = 2;   // a '*' anywhere: show nothing, return the first key

// Scans the raw command line once for the two option characters.
OptionFlags GetOptionFlags();

// Called by the loader with no start-up code before it; its result is the exit status:
// 0 after a shown Esc, NO_KEY on a failure, the key value itself in return mode.
extern "C" int ProgramEntry();
