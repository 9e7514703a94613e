// The key value: one console key event packed into 32 bits, which is both what keycode
// shows and what return mode hands back as the exit status.
//
//   bits 0-7   virtual-key code
//   bits 8-15  character byte in the console's input code page, 0 when there is none
//   bits 16-24 control-key flags, bit k of the record's state in bit 16 + k
//   bit  25    KEY_DOWN_FLAG: set for a press, clear for a release
//   bits 26-31 the state's bits 10-15: 0, but for Windows Terminal's LEFT_WIN_PRESSED (0x400)
//              in bit 26; its RIGHT_WIN_PRESSED (0x200) falls on KEY_DOWN_FLAG itself
#pragma once

#include "console/console.h"

// The program's own functions take and return their value in registers on the target.
#if defined(_WIN32)
#define KEYCODE_CALL __fastcall
#else
#define KEYCODE_CALL
#endif

typedef int KeyValue;

// Never a key value: no key could be read; given to WriteKeyValue it selects the banner;
// as the exit status it reports a failure.
const KeyValue NO_KEY = -1;

// Where each field lies, for whatever packs a key value or takes one apart.
const int KEY_CHAR_SHIFT = 8;
const int KEY_STATE_SHIFT = 16;
const int KEY_STATE_FLAGS = 9; // control-key flags 0-8, ENHANCED_KEY the last
const int KEY_DOWN_SHIFT = 25;
const int KEY_VALUE_BITS = 27; // bits 27 to 31 of a key value are 0 on every console known
const KeyValue KEY_DOWN_FLAG = 1 << KEY_DOWN_SHIFT;

// The packing rule, the one definition that keycode and keywait share. The members go in as
// the record holds them: TRUE is 1, and control-key flags above bit 15 fall off the top of
// the word.
inline KeyValue PackKeyEvent(const KEY_EVENT_RECORD &key)
{
    return static_cast<KeyValue>(static_cast<DWORD>(key.bKeyDown) << KEY_DOWN_SHIFT |
                                 key.dwControlKeyState << KEY_STATE_SHIFT |
                                 static_cast<DWORD>(static_cast<unsigned char>(key.uChar.AsciiChar))
                                     << KEY_CHAR_SHIFT |
                                 key.wVirtualKeyCode);
}

// The record filter, shared as well: only key events are packed; every other kind of record
// (mouse, buffer size, menu, focus) is passed over.
inline bool IsKeyEvent(const INPUT_RECORD &record)
{
    return record.EventType == KEY_EVENT;
}

// The release filter: presses always pass, releases when `releases` holds KEY_DOWN_FLAG.
inline bool KeyPasses(KeyValue value, unsigned releases)
{
    return (static_cast<unsigned>(value) | releases) & KEY_DOWN_FLAG;
}

// Blocks until the console delivers a key event and returns it packed, skipping every
// other kind of record. NO_KEY when standard input cannot be read.
KeyValue KEYCODE_CALL ReadKeyValue();

// NO_KEY writes the banner; any other value its display form, a space and seven
// lowercase hex digits. One write to standard output; its result is the write's.
BOOL KEYCODE_CALL WriteKeyValue(KeyValue value);
