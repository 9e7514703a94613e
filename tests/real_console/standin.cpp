// A stand-in for keycode.exe in the examples' rows: it ends at once with the status given in
// hex in STANDIN_STATUS, so that a row can hand an example a status keycode never gives;
// like keycode, with -1 when its input is not a console (getkey's check that keycode starts).
// For the rows that check the console the harness runs rows on:
// "standin.exe mode" ends with the bits of its console's input mode that rows depend on,
// "standin.exe cp" with the input code page in the high half and the output one in the low
// (ffffffff for either without a console), and "standin.exe change" sets every one of those
// bits and both code pages to 65001, as a row's program may, and ends with 0 if it could.
// Hosts without virtual-terminal input (Windows 7, 8.1, Windows 10's legacy console) refuse a
// mode with that bit, so the mode is set again without it there.
#include <windows.h>

#include "run_row.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    const HANDLE conin = GetStdHandle(STD_INPUT_HANDLE);
    const char *verb = argc > 1 ? argv[1] : "";
    DWORD mode = 0;
    if (std::strcmp(verb, "mode") == 0)
        ExitProcess(GetConsoleMode(conin, &mode) ? mode & ROW_INPUT_BITS : 0xFFFFFFFF);
    if (std::strcmp(verb, "cp") == 0)
        ExitProcess(GetConsoleMode(conin, &mode) ? GetConsoleCP() << 16 | GetConsoleOutputCP()
                                                 : 0xFFFFFFFF);
    if (std::strcmp(verb, "change") == 0)
        ExitProcess((SetConsoleMode(conin, ROW_INPUT_BITS) ||
                     SetConsoleMode(conin, ROW_INPUT_BITS & ~ENABLE_VIRTUAL_TERMINAL_INPUT)) &&
                            SetConsoleCP(65001) && SetConsoleOutputCP(65001)
                        ? 0
                        : 1);
    if (!GetConsoleMode(conin, &mode))
        ExitProcess(0xFFFFFFFF);
    const char *status = std::getenv("STANDIN_STATUS");
    ExitProcess(status ? static_cast<UINT>(std::strtoul(status, nullptr, 16)) : 0);
}
