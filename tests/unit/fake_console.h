// A scripted stand-in for the five console services, so the program's own code runs natively
// against failures a real console cannot be made to produce.
#pragma once

#include "records.h"

#include <string>
#include <vector>

// One step of the input script: a record to deliver, or a read that fails or stores nothing.
struct ScriptedRead {
    enum Kind { RECORD, FAIL, EMPTY } kind;
    INPUT_RECORD record;
    ScriptedRead(const INPUT_RECORD &r) : kind(RECORD), record(r) {}
    ScriptedRead(Kind k) : kind(k), record() {}
};

const ScriptedRead READ_FAILS(ScriptedRead::FAIL);
const ScriptedRead READ_STORES_NOTHING(ScriptedRead::EMPTY);

struct FakeConsole {
    const char *commandLine = "keycode";
    std::vector<ScriptedRead> reads; // a read past these fails the test
    int failingWrite = 0;            // 1-based number of the write that fails, 0 for none
    // What the program did:
    std::string output;
    int reads_done = 0;
    int writes_done = 0;
    int commandLineCalls = 0;
};

// The console the five services act on for the current test.
extern FakeConsole fake;

// Thrown by the stand-in's ExitProcess, which must not return: the status the process ended with.
struct ProcessExit {
    unsigned status;
};
