// A stand-in for keycode.exe in the examples' rows: it ends at once with the status given in
// hex in STANDIN_STATUS, so that a row can hand an example a status keycode never gives.
#include <windows.h>

#include <cstdlib>

int main()
{
    const char *status = std::getenv("STANDIN_STATUS");
    ExitProcess(status ? static_cast<UINT>(std::strtoul(status, nullptr, 16)) : 0);
}
