#include "keys/key_value.h"

// The home page's host is a reserved example name, so the banner can never point anyone
// at a stranger's site.
static const char BANNER_TEXT[] =
    "Displays keystroke events.  <Esc> to exit.  dorix.example/dorix  12/31/2019\r\n";

BOOL WriteKeyValue(KeyValue value)
{
    char form[8];
    const char *bytes = BANNER_TEXT;
    DWORD count = sizeof BANNER_TEXT - 1; // the NUL is not part of the line
    if (value != NO_KEY) {
        // Seven digits cover bits 0-27; bits 28-31 are never shown.
        for (int i = 7; i > 0; --i) {
            int digit = (value & 15) + '0';
            if (digit > '9')
                digit += 'a' - '9' - 1;
            form[i] = static_cast<char>(digit);
            value >>= 4;
        }
        form[0] = ' ';
        bytes = form;
        count = sizeof form;
    }
    DWORD written;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, count, &written, nullptr);
}
