// The platform boundary: the KERNEL32 services keycode and keywait call (keycode five of
// them, keywait three more for its time limit), and the console input record they fill,
// declared here so that no Windows SDK is needed. The same declarations serve the native
// unit tests, where a scripted stand-in provides the functions.
#pragma once

#if defined(_WIN32)
#define CONSOLE_API extern "C" __declspec(dllimport)
#define WINAPI __stdcall
#else
#define CONSOLE_API extern "C"
#define WINAPI
#endif

typedef int BOOL;
typedef unsigned int UINT;
typedef unsigned short WORD;
typedef unsigned int DWORD; // 32 bits on the target and on the test host alike
typedef void *HANDLE;

const DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
const DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
const DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);
const WORD KEY_EVENT = 1;
const WORD VK_ESCAPE = 0x1B;

struct KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        WORD UnicodeChar;
        char AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
};

// The other event kinds (mouse, buffer size, menu, focus) share the union but are never
// read; the key event is the largest member, so it alone fixes the record's size.
struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
    } Event;
};

// The console writes these records itself, so the layout must be the platform's to the byte.
static_assert(sizeof(INPUT_RECORD) == 20, "INPUT_RECORD size");
static_assert(__builtin_offsetof(INPUT_RECORD, EventType) == 0, "EventType");
static_assert(__builtin_offsetof(INPUT_RECORD, Event) == 4, "Event");
static_assert(__builtin_offsetof(KEY_EVENT_RECORD, bKeyDown) == 0, "bKeyDown");
static_assert(__builtin_offsetof(KEY_EVENT_RECORD, wRepeatCount) == 4, "wRepeatCount");
static_assert(__builtin_offsetof(KEY_EVENT_RECORD, wVirtualKeyCode) == 6, "wVirtualKeyCode");
static_assert(__builtin_offsetof(KEY_EVENT_RECORD, wVirtualScanCode) == 8, "wVirtualScanCode");
static_assert(__builtin_offsetof(KEY_EVENT_RECORD, uChar) == 10, "uChar");
static_assert(__builtin_offsetof(KEY_EVENT_RECORD, dwControlKeyState) == 12, "dwControlKeyState");

// The whole command line as typed, program name first, NUL-ended. May be null: taken as
// an empty line.
CONSOLE_API char *WINAPI GetCommandLineA();

// The handle for STD_INPUT_HANDLE or STD_OUTPUT_HANDLE. Used without a test: a handle that
// is not a console (or not valid at all) makes the following read or write fail instead.
CONSOLE_API HANDLE WINAPI GetStdHandle(DWORD nStdHandle);

// Blocks until the console's input buffer holds a record, removes one and stores it.
// Nonzero on success, zero on failure (a file, a pipe, NUL); count says how many records
// were stored, and a count of 0 is taken as a failure too.
CONSOLE_API BOOL WINAPI ReadConsoleInputA(HANDLE hConsoleInput, INPUT_RECORD *lpBuffer,
                                          DWORD nLength, DWORD *lpNumberOfEventsRead);

// One synchronous write to a console, file or pipe alike. Nonzero on success, zero on
// failure; the written count is not looked at, so a short write counts as success.
CONSOLE_API BOOL WINAPI WriteFile(HANDLE hFile, const void *lpBuffer, DWORD nNumberOfBytesToWrite,
                                  DWORD *lpNumberOfBytesWritten, void *lpOverlapped);

// Ends the whole process with this status, whatever other threads it holds. Never returns.
CONSOLE_API __attribute__((noreturn)) void WINAPI ExitProcess(UINT uExitCode);

// keywait's alone. How many records the console's input buffer holds, without waiting.
// Zero on failure: standard input is not a console.
CONSOLE_API BOOL WINAPI GetNumberOfConsoleInputEvents(HANDLE hConsoleInput,
                                                      DWORD *lpNumberOfEvents);

// Waits until the object is signaled or the time is up. A console input handle is signaled
// while its buffer holds a record of any kind, so a wake is not a key.
const DWORD WAIT_OBJECT_0 = 0;
const DWORD WAIT_TIMEOUT = 0x102;
CONSOLE_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Milliseconds since the system started, wrapping after 49.7 days (GetTickCount64 needs Vista).
CONSOLE_API DWORD WINAPI GetTickCount();
