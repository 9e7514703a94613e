#include "keys/banner.h"
#include "keys/key_value.h"

BOOL KEYCODE_CALL WriteKeyValue(KeyValue value)
{
    char form[8];
    const char *bytes = BANNER_TEXT;
    DWORD count = BANNER_LENGTH;
    if (value != NO_KEY) {
        // Seven digits cover bits 0-27; bits 28-31 are never shown.
        char *digit = form + sizeof form;
        do {
            unsigned nibble = value & 15;
            *--digit = static_cast<char>(nibble + (nibble < 10 ? '0' : 'a' - 10));
            value >>= 4;
        } while (digit != form + 1);
        form[0] = ' ';
        bytes = form;
        count = sizeof form;
    }
    DWORD written;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, count, &written, nullptr);
}
