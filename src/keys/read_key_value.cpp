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
        } while (!IsKeyEvent(record));
        value = PackKeyEvent(record.Event.KeyEvent);
        // A record that happens to pack to NO_KEY must not pass for the end of input.
    } while (value == NO_KEY);
    return value;
}
