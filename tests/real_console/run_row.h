// One row of a case table run on a real console: its records queued, the program started on
// that console with its output on a pipe, and what came of it. Built into harness.exe.
#pragma once

#include <windows.h>

#include "case_table.h"

#include <string>

const DWORD CASE_TIMEOUT_MS = 60000; // an emulated machine under load is slow
// "keycode+thread" rows: a second thread sleeps in the program's process for longer than any
// case may take, as loader, console-host or injected threads do; the program must still end
// within this bound, with its own status.
const DWORD SECOND_THREAD_SLEEP_MS = 10 * CASE_TIMEOUT_MS;
const DWORD SECOND_THREAD_BOUND_MS = 15000;

struct Outcome {
    std::string output;
    bool outputCut = false; // the program wrote more than is kept
    DWORD status = 0;
    std::string started; // empty, or why the program could not be started
    bool timedOut = false;
    DWORD queued = 0;      // records that reached the console's input buffer
    bool injected = true;  // the second thread, where asked for, was started
    DWORD signalError = 0; // why Ctrl+Break, where asked for, could not be raised
    DWORD milliseconds = 0;
};

const size_t OUTPUT_KEPT = 1 << 20;

// Runs one row on this console. The records are queued before the start, or, with a second
// thread, once that thread is in the process.
Outcome Run(const CaseRow &row, const std::string &keycodePath, HANDLE conin);
