// Process entry, option scan and the key loop.
#pragma once

#include "keys/key_value.h"

typedef unsigned OptionFlags;

// A '/' anywhere: releases are shown as well. It is the key value's own press bit, so one
// test of (value | flags) lets through presses, and releases when '/' was given.
const OptionFlags OPTION_RELEASES = KEY_DOWN_FLAG;
// A '*' anywhere: show nothing, return the first key. The sign bit, cheapest to test.
const OptionFlags OPTION_RETURN = 0x80000000;

// Scans the raw command line once for the two option characters.
OptionFlags KEYCODE_CALL GetOptionFlags();

// Called by the loader with no start-up code before it. Ends the process through
// ExitProcess with 0 after a shown Esc, NO_KEY on a failure, the key value in return mode.
extern "C" [[noreturn]] void ProgramEntry();
