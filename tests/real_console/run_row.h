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
// How long a program ended at the row's bound may take to go: a process stuck in the kernel
// (a driver's wait) outlives TerminateProcess, and the run must go on to the next row.
const DWORD KILL_BOUND_MS = 10000;

struct Outcome {
    std::string output;
    bool outputCut = false; // the program wrote more than is kept
    DWORD status = 0;
    std::string started; // empty, or why the program could not be started
    bool timedOut = false;
    // Still running KILL_BOUND_MS after it was ended at the row's bound.
    bool outlivedKill = false;
    DWORD queued = 0;      // records that reached the console's input buffer
    bool injected = true;  // the second thread, where asked for, was started
    DWORD signalError = 0; // why Ctrl+Break, where asked for, could not be raised
    DWORD jobError = 0;    // why the program could not be put in a job of its own
    DWORD milliseconds = 0;
};

const size_t OUTPUT_KEPT = 1 << 20;

// The console every row runs on, its code pages and input mode set exactly before each row
// (harness.cpp, SetRowConsole), whatever the console had or the row before left (a row's
// cmd.exe may change either); the harness puts back what it found at the end.
// Code page 437 in and out: under 65001, which a CI runner's console has, a character byte
// above 0x7f written with WriteConsoleInputA comes back as the bytes of U+FFFD, one record
// each, and a host built before 2023 can end itself; 437 hands every byte back as it went in.
const UINT ROW_CODE_PAGE = 437;
// The input mode:
// - line input on, as a new console has it (Windows' host keeps Pause and Ctrl+S only then),
//   and echo, which goes with it;
// - processed input off: Wine's console takes a written record whose character is 0x03 out of
//   the buffer and raises Ctrl+C in every process on it (Windows' raises it for a typed key
//   alone; Wine's conhost: write_console_input through map_to_ctrlevent);
// - virtual-terminal input off: with it Windows' host turns every key record written into VT
//   text, presses with virtual-key 0, which a shell may leave set;
// - window and mouse input off: a resized window or a person's mouse would add records.
// The bits of the mode that the rows depend on; the rest (quick edit, insert) stay as found.
const DWORD ROW_INPUT_BITS = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                             ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT |
                             ENABLE_VIRTUAL_TERMINAL_INPUT;
const DWORD ROW_INPUT_MODE = ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;

// Runs one row on this console. The records are queued before the start, or, with a second
// thread, once that thread is in the process.
Outcome Run(const CaseRow &row, const std::string &keycodePath, HANDLE conin);
