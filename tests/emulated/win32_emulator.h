// Runs a real PE32 console program on an emulated i386, the way the Windows loader would:
// the image mapped at its base with its sections' protections, KERNEL32 imports bound by
// name, and the entry point called with no arguments. The process ends, with its status, only
// when it calls ExitProcess; a return from the entry point is a fault. The console services
// are played by a scripted console; any other import fails the load.
#pragma once

#include "console/console.h"

#include <string>
#include <vector>

enum StdinKind { CONSOLE_INPUT, NOT_CONSOLE_INPUT }; // a file, a pipe or NUL: reads fail
enum StdoutKind { WRITABLE_OUTPUT, UNWRITABLE_OUTPUT };

struct Launch {
    std::string commandLine;
    std::vector<INPUT_RECORD> records; // already queued in the console when the program starts
    StdinKind stdinKind = CONSOLE_INPUT;
    StdoutKind stdoutKind = WRITABLE_OUTPUT;
};

struct Win32Run {
    std::string error;    // empty when the image loaded and ran without a fault
    bool waiting = false; // still blocked in a read once every record was taken
    bool exited = false;  // ended through ExitProcess
    unsigned status = 0;  // the status given to ExitProcess
    std::string output;
    int getCommandLineCalls = 0, getStdHandleCalls = 0, readCalls = 0, writeCalls = 0;
    unsigned long long instructions = 0;
};

Win32Run RunWin32(const std::string &exePath, const Launch &launch);
