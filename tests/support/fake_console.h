// A scripted stand-in for the console services, so the programs run against failures a real
// console cannot be made to produce, on a scripted clock: their own code built natively, and
// the built .exe files on the emulated i386, whose imports call these functions.
#pragma once

#include "records.h"

#include <string>
#include <vector>

// One step of the input script: a record to deliver, or a read that fails or stores nothing,
// in the buffer from `at` ms after the clock's start (keycode's rows: all there from the
// start). For the waits alone: WAKE, the handle signaled with nothing to read from `at` to
// `until`; SLEEP, the machine asleep from `at` to `until`, when the clock runs on and a wait's
// own time does not; WAIT_FAILS, the next wait fails. None of those three is ever read.
struct ScriptedRead {
    enum Kind { RECORD, FAIL, EMPTY, WAKE, SLEEP, WAIT_FAILS } kind;
    INPUT_RECORD record;
    DWORD at = 0, until = 0;
    ScriptedRead(const INPUT_RECORD &r) : kind(RECORD), record(r) {}
    // WAKE and SLEEP: from `from` to `until` ms on the clock.
    ScriptedRead(Kind k, DWORD from = 0, DWORD until = 0)
        : kind(k), record(), at(from), until(until)
    {
    }
};

const ScriptedRead READ_FAILS(ScriptedRead::FAIL);
const ScriptedRead READ_STORES_NOTHING(ScriptedRead::EMPTY);
const ScriptedRead WAIT_FAILS(ScriptedRead::WAIT_FAILS);

// The step in the buffer from `ms` after the start.
inline ScriptedRead At(DWORD ms, ScriptedRead read)
{
    read.at = ms;
    return read;
}

// The process's own pseudo-handle, which keywait waits on to rest. The standard handles are
// small numbers, which mean the same on the emulated i386 (-1 there is sign-extended); distinct,
// so that a read on the output handle or a write on the input handle shows.
const HANDLE CURRENT_PROCESS = reinterpret_cast<HANDLE>(-1);
const HANDLE INPUT_HANDLE = reinterpret_cast<HANDLE>(0x10);
const HANDLE OUTPUT_HANDLE = reinterpret_cast<HANDLE>(0x14);
const HANDLE ERROR_HANDLE = reinterpret_cast<HANDLE>(0x18);
// More waits than any row needs: the program spins.
const int WAITS_BOUND = 1000;

struct FakeConsole {
    const char *commandLine = "keycode";
    std::vector<ScriptedRead> reads; // a read past these fails the test
    int failingWrite = 0;            // 1-based number of the write that fails, 0 for none
    bool consoleInput = true;        // false: a file, pipe or NUL, whose every read fails
    bool unwritableOutput = false;   // every write to standard output fails
    DWORD start = 0, now = 0;        // the clock: GetTickCount when the row starts, and now
    // What the program did:
    std::string output;
    std::string errors; // written to standard error
    int waits_done = 0;
    int rests_done = 0; // waits on the process's own handle, which time out as a sleep
    int reads_done = 0;
    int writes_done = 0;
    int commandLineCalls = 0;
    int stdHandleCalls = 0;
};

// The console the services act on for the current test.
extern FakeConsole fake;

// Thrown by the stand-in's ExitProcess (or by a wait past WAITS_BOUND), which must not return: the
// status the process ended with.
struct ProcessExit {
    unsigned status;
};
