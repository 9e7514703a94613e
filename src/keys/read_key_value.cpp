#include "keys/key_value.h"

KeyValue KEYCODE_CALL ReadKeyValue()
{
    INPUT_RECORD record;
    DWORD count;
    KeyValue value;
    do {
        do {
            if (!ReadConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &record, 1, &count) || !count)
                return NO_KEY;
        } while (record.EventType != KEY_EVENT);
        // The members go in as the record holds them: TRUE is 1, and control-key flags
        // above bit 15 fall off the top of the word.
        const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
        value = static_cast<KeyValue>(
            static_cast<DWORD>(key.bKeyDown) << KEY_DOWN_SHIFT |
            key.dwControlKeyState << KEY_STATE_SHIFT |
            static_cast<DWORD>(static_cast<unsigned char>(key.uChar.AsciiChar)) << KEY_CHAR_SHIFT |
            key.wVirtualKeyCode);
        // A record that happens to pack to NO_KEY must not pass for the end of input.
    } while (value == NO_KEY);
    return value;
}
