// launcher.exe: starts keycode on this console with the given arguments and, when it ends,
// tells its whole exit status in words on standard error; its own status is keycode's.
// scripts/run starts keycode through it, because Wine hands a Unix shell only the low byte.
// Usage: launcher.exe KEYCODE.EXE [ARGUMENT...]
#include "command_line.h"
#include "console/console.h"
#include "status_words.h"

namespace {

const DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);
const DWORD INFINITE = 0xFFFFFFFF;
const DWORD PATH_SIZE = 1024;

struct STARTUPINFOA {
    DWORD cb;
    char *lpReserved, *lpDesktop, *lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
    WORD wShowWindow, cbReserved2;
    void *lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
};
static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFOA size");

struct PROCESS_INFORMATION {
    HANDLE hProcess, hThread;
    DWORD dwProcessId, dwThreadId;
};

} // namespace

CONSOLE_API DWORD WINAPI GetFullPathNameA(const char *lpFileName, DWORD nBufferLength,
                                          char *lpBuffer, char **lpFilePart);
CONSOLE_API BOOL WINAPI CreateProcessA(const char *lpApplicationName, char *lpCommandLine,
                                       void *lpProcessAttributes, void *lpThreadAttributes,
                                       BOOL bInheritHandles, DWORD dwCreationFlags,
                                       void *lpEnvironment, const char *lpCurrentDirectory,
                                       STARTUPINFOA *lpStartupInfo,
                                       PROCESS_INFORMATION *lpProcessInformation);
CONSOLE_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
CONSOLE_API BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, DWORD *lpExitCode);
CONSOLE_API BOOL WINAPI SetConsoleCtrlHandler(BOOL(WINAPI *HandlerRoutine)(DWORD), BOOL Add);
CONSOLE_API BOOL WINAPI PeekConsoleInputA(HANDLE hConsoleInput, INPUT_RECORD *lpBuffer,
                                          DWORD nLength, DWORD *lpNumberOfEventsRead);

namespace {

void Say(const char *text)
{
    DWORD length = 0, written;
    while (text[length])
        ++length;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, length, &written, nullptr);
}

// Ctrl+C reaches every process on the console: this one outlives keycode to tell its status.
// A handler, unlike ignoring Ctrl+C outright, is not inherited by keycode.
BOOL WINAPI OutliveCtrlC(DWORD)
{
    return 1;
}

// keycode's command line: its full path with backslashes, quoted (a '/' in the path would
// show releases), then the arguments as given. Ends the launcher when the path is too long.
// Returns the path.
const char *BuildCommandLine(const char *program, const char *arguments, char *line)
{
    static char given[PATH_SIZE], path[PATH_SIZE];
    // One that does not fit is refused rather than cut.
    const DWORD full = CopyArgument(program, arguments, given, PATH_SIZE)
                           ? GetFullPathNameA(given, PATH_SIZE, path, nullptr)
                           : PATH_SIZE;
    if (full >= PATH_SIZE) {
        Say("launcher: keycode's path is longer than the 1023 characters it takes\n");
        ExitProcess(255);
    }
    if (!full)
        Append(path, given);
    for (char *c = path; *c; ++c)
        if (*c == '/')
            *c = '\\';
    Append(Append(Append(Append(line, "\""), path), "\" "), arguments);
    return path;
}

// Starts keycode on this console and returns its exit status when it ends; ends the launcher
// when it cannot be started. Says "waiting for a key press" in return mode once a key typed
// can reach keycode.
DWORD RunKeycode(char *line, const char *path, bool returnMode)
{
    SetConsoleCtrlHandler(OutliveCtrlC, 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, 1, 0, nullptr, nullptr, &startup,
                        &process)) {
        Say("launcher: could not start ");
        Say(path);
        Say("\n");
        ExitProcess(255);
    }
    // A look at the input buffer makes Wine's terminal console take keys raw, into the buffer,
    // rather than leave the terminal to echo them until keycode's first read; it also tells
    // whether a key can come at all.
    INPUT_RECORD record;
    DWORD seen = 0;
    if (PeekConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &record, 1, &seen) && returnMode)
        Say("waiting for a key press\n");
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    return status;
}

// The whole status in words on standard error.
void TellStatus(DWORD status, bool returnMode)
{
    static char words[STATUS_WORDS_SIZE];
    DescribeStatus(status, returnMode, words);
    // In display mode keycode's codes end without a line break.
    Say(returnMode ? "keycode ended with status " : "\nkeycode ended with status ");
    Say(words);
    Say("\n");
}

} // namespace

extern "C" [[noreturn]] void LauncherEntry()
{
    static char line[2 * PATH_SIZE + 32768];
    const char *program = SkipArgument(GetCommandLineA());
    const char *arguments = SkipArgument(program);
    const char *path = BuildCommandLine(program, arguments, line);
    const bool returnMode = AsksForReturnMode(arguments);
    const DWORD status = RunKeycode(line, path, returnMode);
    TellStatus(status, returnMode);
    ExitProcess(status);
}
