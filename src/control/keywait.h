// keywait: keycode's return mode with a time limit. "keywait MS [/]" waits up to MS
// milliseconds for a key press (or, with '/', a release) and ends with its key value.
#pragma once

#include "keys/key_value.h"

// Its statuses beside a key value and NO_KEY (-1: input is not a console, or a read or a
// wait failed). Negative like NO_KEY, so that a script testing for a key takes either as none.
const KeyValue KEY_TIMED_OUT = -2; // the time ran out with no key
const KeyValue BAD_USAGE = -3;     // the command line is not "keywait MS [/]"

// The largest time: what a 32-bit signed status, and a batch file's arithmetic, can hold.
const DWORD WAIT_LIMIT_MAX = 0x7FFFFFFF;

// How long a wake that finds nothing to read rests before the handle is waited on again.
const DWORD WAKE_REST_MS = 20;
// The longest single wait on the input handle: what is left is worked out again after it.
const DWORD WAIT_SLICE_MS = 1000;

// Reads the command line: the program's name by the C runtime's rule for the first argument
// (quotes turn quoting on and off; a blank outside them ends it), then tokens split by spaces
// and tabs, each the time (decimal digits alone, at most WAIT_LIMIT_MAX) or '/', in either
// order, with the time once. Quotes around a token, or part of it, are dropped, as the C
// runtime drops them. False for any other line: then limit and releases are not to be used.
// releases is KEY_DOWN_FLAG for '/', else 0.
bool KEYCODE_CALL GetWaitArguments(const char *line, DWORD &limit, unsigned &releases);

// Called by the loader with no start-up code before it; ends the process through ExitProcess
// with a key value, KEY_TIMED_OUT, NO_KEY or BAD_USAGE.
extern "C" [[noreturn]] void KeyWaitEntry();
