#include "fake_console.h"

#include <gtest/gtest.h>

FakeConsole fake;

// Distinct handles, so that a read on the output handle or a write on the input handle shows.
static char inputObject, outputObject;

// A call that breaks the services' contract fails the test, named, rather than answering
// "failed" and letting a row that expects NO_KEY pass for the wrong reason.
#define CONTRACT(call, holds)                                                                      \
    if (!(holds)) {                                                                                \
        ADD_FAILURE() << call << ": " #holds " does not hold";                                     \
        return 0;                                                                                  \
    }

char *WINAPI GetCommandLineA()
{
    ++fake.commandLineCalls;
    return const_cast<char *>(fake.commandLine);
}

HANDLE WINAPI GetStdHandle(DWORD nStdHandle)
{
    CONTRACT("GetStdHandle(" << static_cast<int>(nStdHandle) << ")",
             nStdHandle == STD_INPUT_HANDLE || nStdHandle == STD_OUTPUT_HANDLE);
    return nStdHandle == STD_INPUT_HANDLE ? &inputObject : &outputObject;
}

BOOL WINAPI ReadConsoleInputA(HANDLE hConsoleInput, INPUT_RECORD *lpBuffer, DWORD nLength,
                              DWORD *lpNumberOfEventsRead)
{
    const auto call = [&] {
        return testing::Message() << "ReadConsoleInputA #" << fake.reads_done + 1 << " (length "
                                  << nLength << ")";
    };
    CONTRACT(call(), hConsoleInput == &inputObject);
    CONTRACT(call(), nLength == 1 && lpBuffer && lpNumberOfEventsRead);
    CONTRACT(call() << " after the script's " << fake.reads.size() << " reads",
             fake.reads_done < static_cast<int>(fake.reads.size()));
    *lpNumberOfEventsRead = 0;
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
    CONTRACT("WriteFile of " << nNumberOfBytesToWrite << " bytes",
             hFile == &outputObject && lpBuffer && lpNumberOfBytesWritten && !lpOverlapped);
    if (++fake.writes_done == fake.failingWrite)
        return 0;
    fake.output.append(static_cast<const char *>(lpBuffer), nNumberOfBytesToWrite);
    *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return 1;
}

void WINAPI ExitProcess(UINT uExitCode)
{
    throw ProcessExit{uExitCode};
}
