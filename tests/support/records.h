// Console input records for the tests, laid out as the console stores them.
#pragma once

#include "banner.h"
#include "console/console.h"

// Control-key state as the console reports it.
const DWORD SHIFT = 0x10, NUMLOCK = 0x20;
const WORD MOUSE_EVENT = 2, WINDOW_BUFFER_SIZE_EVENT = 4, MENU_EVENT = 8, FOCUS_EVENT = 16;

inline INPUT_RECORD Key(WORD vk, unsigned char ch, DWORD state, BOOL down = 1, WORD repeat = 1)
{
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    key.bKeyDown = down;
    key.wRepeatCount = repeat;
    key.wVirtualKeyCode = vk;
    key.wVirtualScanCode = 0x5A; // never part of a key value
    key.uChar.AsciiChar = static_cast<char>(ch);
    key.dwControlKeyState = state;
    return record;
}

// Another kind of event, filled like a key event, so that reading it as one would show.
inline INPUT_RECORD Other(WORD eventType)
{
    INPUT_RECORD record = Key('Q', 'q', 0);
    record.EventType = eventType;
    return record;
}

const INPUT_RECORD A_DOWN = Key('A', 'A', SHIFT);
const INPUT_RECORD A_UP = Key('A', 'A', SHIFT, 0);
const INPUT_RECORD ESC_DOWN = Key(0x1B, 0x1B, NUMLOCK);

const char BANNER[] = EXPECTED_BANNER;
