// A stand-in for keycode.exe in the examples' rows: it ends at once with the status given in
// hex in STANDIN_STATUS, so that a row can hand an example a status keycode never gives.
// "standin.exe mode" ends with the bits of its console's input mode that rows depend on
// (ffffffff without a console), so that a row sees the mode the harness runs rows under.
#include <windows.h>

#include "run_row.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    DWORD mode = 0;
    if (argc > 1 && std::strcmp(argv[1], "mode") == 0)
        ExitProcess(GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ? mode & ROW_INPUT_BITS
                                                                          : 0xFFFFFFFF);
    const char *status = std::getenv("STANDIN_STATUS");
    ExitProcess(status ? static_cast<UINT>(std::strtoul(status, nullptr, 16)) : 0);
}
