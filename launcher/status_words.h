// keycode's exit status in words, for the launcher that starts keycode from a Unix shell,
// which would keep only the status's low byte. Plain code with no library, so that the
// launcher needs no C runtime and the words can be checked on the build machine.
#pragma once

// Puts text and a NUL at at; returns where the NUL is, for the next text to go.
char *Append(char *at, const char *text);

// Room for the longest description, its NUL included.
const unsigned STATUS_WORDS_SIZE = 160;

// A key code in the words of examples/keyname.cmd: "press  A  char 'A'  Shift".
void DescribeKey(unsigned code, char *words);

// The whole status as keycode means it: after a display-mode run 0 is the Esc that ended it,
// in return mode ('*') it is a key code like any other; -1 is no key, 0xC000013A
// Ctrl+C or Ctrl+Break.
void DescribeStatus(unsigned status, bool returnMode, char *words);
