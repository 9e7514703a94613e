// Runs a real PE32 console program on an emulated i386, the way the Windows loader would:
// the image mapped at its base with its sections' protections, KERNEL32 imports bound by
// name, and the entry point called with no arguments. Each import calls the scripted console's
// own service (fake_console.h) with the arguments on the emulated stack, and copies back what
// it stores; any other import fails the load. The process ends, with its status, only when it
// calls ExitProcess; a return from the entry point is a fault.
#pragma once

#include <string>

struct Win32Run {
    std::string error;   // empty when the image loaded, ran without a fault and exited
    unsigned status = 0; // the status given to ExitProcess
    unsigned long long instructions = 0;
};

// The program at exePath against `fake`, as it stands.
Win32Run RunWin32(const std::string &exePath);
