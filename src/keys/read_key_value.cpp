#include "keys/key_value.h"

KeyValue ReadKeyValue()
{
    for (;;) {
        INPUT_RECORD record;
        DWORD count;
        if (!ReadConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &record, 1, &count) || !count)
            return NO_KEY;
        if (record.EventType != KEY_EVENT)
            continue;
        const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
        // A BOOL is true whenever it is nonzero, so any nonzero bKeyDown is a press. The
        // state goes in unmasked: flags above bit 15 fall off the top of the word.
        KeyValue value = static_cast<KeyValue>(
            static_cast<DWORD>(key.bKeyDown != 0) << 25 | key.dwControlKeyState << 16 |
            static_cast<DWORD>(static_cast<unsigned char>(key.uChar.AsciiChar)) << 8 |
            key.wVirtualKeyCode);
        // A record that happens to pack to NO_KEY must not pass for the end of input.
        if (value != NO_KEY)
            return value;
    }
}
