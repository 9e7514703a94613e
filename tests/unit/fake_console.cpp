#include "fake_console.h"

FakeConsole fake;

// Distinct handles, so a read on the output handle or a write on the input handle fails.
static char inputObject, outputObject;

char *WINAPI GetCommandLineA()
{
    ++fake.commandLineCalls;
    return const_cast<char *>(fake.commandLine);
}

HANDLE WINAPI GetStdHandle(DWORD nStdHandle)
{
    if (nStdHandle == STD_INPUT_HANDLE)
        return &inputObject;
    return nStdHandle == STD_OUTPUT_HANDLE ? &outputObject : nullptr;
}

BOOL WINAPI ReadConsoleInputA(HANDLE hConsoleInput, INPUT_RECORD *lpBuffer, DWORD nLength,
                              DWORD *lpNumberOfEventsRead)
{
    *lpNumberOfEventsRead = 0;
    if (hConsoleInput != &inputObject || nLength != 1 ||
        fake.reads_done >= static_cast<int>(fake.reads.size()))
        return 0;
    const ScriptedRead &read = fake.reads[fake.reads_done++];
    if (read.kind == ScriptedRead::FAIL)
        return 0;
    if (read.kind == ScriptedRead::RECORD) {
        *lpBuffer = read.record;
        *lpNumberOfEventsRead = 1;
    }
    return 1;
}

BOOL WINAPI WriteFile(HANDLE hFile, const void *lpBuffer, DWORD nNumberOfBytesToWrite,
                      DWORD *lpNumberOfBytesWritten, void *lpOverlapped)
{
    if (++fake.writes_done == fake.failingWrite || hFile != &outputObject || lpOverlapped)
        return 0;
    fake.output.append(static_cast<const char *>(lpBuffer), nNumberOfBytesToWrite);
    *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return 1;
}

void WINAPI ExitProcess(UINT uExitCode)
{
    throw ProcessExit{uExitCode};
}
