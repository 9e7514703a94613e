/* The same display loop written the ordinary way, with the C runtime and printf, for size
   comparison: what keycode would be without its care about bytes. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "keys/banner.h"

int main(int argc, char **argv)
{
    const char *line = GetCommandLineA();
    int releases = strchr(line, '/') != NULL, ret = strchr(line, '*') != NULL;
    (void)argc, (void)argv;
    if (!ret)
        printf("%s", BANNER_LINE);
    for (;;) {
        INPUT_RECORD r;
        DWORD n;
        if (!ReadConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &r, 1, &n) || !n)
            return -1;
        if (r.EventType != KEY_EVENT)
            continue;
        KEY_EVENT_RECORD *k = &r.Event.KeyEvent;
        int v = k->bKeyDown << 25 | (int)k->dwControlKeyState << 16 |
                (unsigned char)k->uChar.AsciiChar << 8 | k->wVirtualKeyCode;
        if (v == -1 || (!k->bKeyDown && !releases))
            continue;
        if (ret)
            return v;
        if (printf(" %07x", v & 0x0FFFFFFF) < 0 || fflush(stdout))
            return -1;
        if ((v & 0xFF) == 0x1B)
            return 0;
    }
}
