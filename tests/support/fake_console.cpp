#include "fake_console.h"

#include <gtest/gtest.h>

FakeConsole fake;

namespace {

DWORD Elapsed()
{
    return fake.now - fake.start;
}

bool Signals(const ScriptedRead &read)
{
    return read.kind == ScriptedRead::RECORD || read.kind == ScriptedRead::FAIL ||
           read.kind == ScriptedRead::EMPTY;
}

bool Unread(const ScriptedRead &read)
{
    return read.kind == ScriptedRead::WAKE || read.kind == ScriptedRead::SLEEP;
}

// The first step not yet read that is in the buffer (or coming), past WAKE and SLEEP steps.
const ScriptedRead *NextRead()
{
    for (size_t i = fake.reads_done; i < fake.reads.size(); ++i)
        if (!Unread(fake.reads[i]))
            return &fake.reads[i];
    return nullptr;
}

// A wait of `ms` from now, timed out: the clock moves on by it, and by any sleep begun
// within it, which the wait's own time leaves out.
void WaitOut(DWORD ms)
{
    DWORD end = Elapsed() + ms;
    for (const ScriptedRead &read : fake.reads)
        if (read.kind == ScriptedRead::SLEEP && read.at >= Elapsed() && read.at < end)
            end += read.until - read.at;
    fake.now = fake.start + end;
}

// Records in the buffer now: those that have arrived and are not read.
DWORD Arrived()
{
    DWORD count = 0;
    for (size_t i = fake.reads_done; i < fake.reads.size(); ++i)
        if (Signals(fake.reads[i]) && fake.reads[i].at <= Elapsed())
            ++count;
    return count;
}

} // namespace

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
    ++fake.stdHandleCalls;
    CONTRACT("GetStdHandle(" << static_cast<int>(nStdHandle) << ")",
             nStdHandle == STD_INPUT_HANDLE || nStdHandle == STD_OUTPUT_HANDLE ||
                 nStdHandle == STD_ERROR_HANDLE);
    return nStdHandle == STD_INPUT_HANDLE    ? INPUT_HANDLE
           : nStdHandle == STD_OUTPUT_HANDLE ? OUTPUT_HANDLE
                                             : ERROR_HANDLE;
}

BOOL WINAPI ReadConsoleInputA(HANDLE hConsoleInput, INPUT_RECORD *lpBuffer, DWORD nLength,
                              DWORD *lpNumberOfEventsRead)
{
    const auto call = [&] {
        return testing::Message() << "ReadConsoleInputA #" << fake.reads_done + 1 << " (length "
                                  << nLength << ")";
    };
    CONTRACT(call(), hConsoleInput == INPUT_HANDLE);
    CONTRACT(call(), nLength == 1 && lpBuffer && lpNumberOfEventsRead);
    if (!fake.consoleInput)
        return 0;
    const ScriptedRead *next = NextRead();
    CONTRACT(call() << " after the script's " << fake.reads.size() << " reads", next != nullptr);
    // A read on an empty buffer would block without a limit.
    CONTRACT(call() << " at " << Elapsed() << " ms, before its record came",
             next->at <= Elapsed() && Signals(*next));
    fake.reads_done = static_cast<int>(next - fake.reads.data()) + 1;
    *lpNumberOfEventsRead = 0;
    if (next->kind == ScriptedRead::FAIL)
        return 0;
    if (next->kind == ScriptedRead::RECORD) {
        *lpBuffer = next->record;
        *lpNumberOfEventsRead = 1;
    }
    return 1;
}

BOOL WINAPI WriteFile(HANDLE hFile, const void *lpBuffer, DWORD nNumberOfBytesToWrite,
                      DWORD *lpNumberOfBytesWritten, void *lpOverlapped)
{
    CONTRACT("WriteFile of " << nNumberOfBytesToWrite << " bytes",
             (hFile == OUTPUT_HANDLE || hFile == ERROR_HANDLE) && lpBuffer &&
                 lpNumberOfBytesWritten && !lpOverlapped);
    if (++fake.writes_done == fake.failingWrite ||
        (hFile == OUTPUT_HANDLE && fake.unwritableOutput))
        return 0;
    (hFile == OUTPUT_HANDLE ? fake.output : fake.errors)
        .append(static_cast<const char *>(lpBuffer), nNumberOfBytesToWrite);
    *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return 1;
}

void WINAPI ExitProcess(UINT uExitCode)
{
    throw ProcessExit{uExitCode};
}

BOOL WINAPI GetNumberOfConsoleInputEvents(HANDLE hConsoleInput, DWORD *lpNumberOfEvents)
{
    CONTRACT("GetNumberOfConsoleInputEvents", hConsoleInput == INPUT_HANDLE && lpNumberOfEvents);
    if (!fake.consoleInput) // a file, a pipe or NUL
        return 0;
    *lpNumberOfEvents = Arrived();
    return 1;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    const DWORD WAIT_FAILED = 0xFFFFFFFF;
    if (++fake.waits_done > WAITS_BOUND) {
        ADD_FAILURE() << "more than " << WAITS_BOUND << " waits by " << Elapsed()
                      << " ms: the program spins";
        throw ProcessExit{WAIT_FAILED};
    }
    CONTRACT("WaitForSingleObject", hHandle == INPUT_HANDLE || hHandle == CURRENT_PROCESS);
    if (hHandle == CURRENT_PROCESS) {
        ++fake.rests_done;
        WaitOut(dwMilliseconds);
        return WAIT_TIMEOUT;
    }
    const ScriptedRead *next = NextRead();
    if (next && next->kind == ScriptedRead::WAIT_FAILS)
        return WAIT_FAILED;
    // Signaled now, or when the first record or wake comes within the time.
    DWORD first = 0xFFFFFFFF;
    for (size_t i = fake.reads_done; i < fake.reads.size(); ++i) {
        const ScriptedRead &read = fake.reads[i];
        if (read.kind == ScriptedRead::WAKE && Elapsed() >= read.at && Elapsed() < read.until)
            return WAIT_OBJECT_0;
        if ((Signals(read) || read.kind == ScriptedRead::WAKE) && read.at < first &&
            (read.kind != ScriptedRead::WAKE || read.at > Elapsed()))
            first = read.at;
    }
    if (first <= Elapsed())
        return WAIT_OBJECT_0;
    if (first - Elapsed() <= dwMilliseconds) {
        fake.now = fake.start + first;
        return WAIT_OBJECT_0;
    }
    WaitOut(dwMilliseconds);
    return WAIT_TIMEOUT;
}

DWORD WINAPI GetTickCount()
{
    return fake.now;
}
