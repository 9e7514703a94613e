// consolecheck.exe: asks a person for keys, one step at a time, reads what the console hands
// on as keycode reads it (ReadConsoleInputA, one record at a time), runs keycode.exe * where
// keycode's status is the point, and reports which of docs/consoles.md's behaviours each step
// showed, on the screen and in consolecheck.txt beside the program. verdict.cpp decides; this
// file only talks to Windows.
// Usage: consolecheck [SECONDS]   the time limit a step waits for a record (default 15)
#include "utf8_cut.h"
#include "verdict.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const size_t MAX_RECORDS = 256;  // a step's records kept; more are read and dropped
const int MAX_KEYCODE_RUNS = 6;  // `keycode *` again past modifier presses, as a batch loop does
const DWORD TELL_AFTER_MS = 500; // after Ctrl's press, before C is asked for
const DWORD SETTLE_MS = 500;     // read on after a step is done, for the releases behind it

// The screen is the console itself (CONOUT$), whatever standard output is (a file, a pipe),
// so that the person sees every prompt. Text is UTF-8 here, UTF-16 on the screen (paths
// outside the ANSI code page show as they are) and UTF-8 in the report.
HANDLE input, screen, report = INVALID_HANDLE_VALUE;
bool reportFailed;         // a write to the report failed
DWORD limitMs = 15000;     // long enough for a first reading of each prompt
DWORD foundMode;           // the input mode the check found, given back when it ends
volatile LONG ctrlCRaised; // in this step
volatile LONG ctrlCCount;  // in all
volatile LONG inCtrlCStep; // Ctrl+C and Ctrl+Break are the step's keys; elsewhere they end it
volatile LONG stopEvent;   // 0, or the control event that ends the check, plus 1
wchar_t folder[1024];      // the check's folder, with its final backslash
wchar_t title[1024];       // the console's title as found, given back after a tell

void ToScreen(const char *text, int n)
{
    wchar_t wide[1024];
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, n, wide, 1024);
    DWORD written;
    WriteConsoleW(screen, wide, length, &written, nullptr);
}

void ToScreenW(const wchar_t *text)
{
    DWORD written;
    WriteConsoleW(screen, text, static_cast<DWORD>(wcslen(text)), &written, nullptr);
}

// A name from Windows in UTF-8, for the report.
void Utf8(const wchar_t *wide, char *text, int size)
{
    if (!WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, size, nullptr, nullptr))
        text[0] = '\0';
}

// To the screen, and to the report file too where toReport.
void Write(bool toReport, const char *format, va_list values)
{
    char text[1024];
    int n = vsnprintf(text, sizeof text, format, values);
    if (n < 0)
        return;
    // Cut short, a line ends with a whole character, and still where it was to end.
    if (n >= static_cast<int>(sizeof text)) {
        const size_t end = strlen(format);
        const bool lineEnd = end >= 2 && !strcmp(format + end - 2, "\r\n");
        n = static_cast<int>(CutAtCharacter(text, sizeof text - 1 - (lineEnd ? 2 : 0)));
        if (lineEnd) {
            memcpy(text + n, "\r\n", 2);
            n += 2;
        }
    }
    ToScreen(text, n);
    DWORD written;
    if (toReport && report != INVALID_HANDLE_VALUE &&
        (!WriteFile(report, text, n, &written, nullptr) || written != static_cast<DWORD>(n)))
        reportFailed = true;
}

// To the screen and the report file alike.
void Say(const char *format, ...)
{
    va_list values;
    va_start(values, format);
    Write(true, format, values);
    va_end(values);
}

// To the screen alone: the prompts.
void Ask(const char *format, ...)
{
    va_list values;
    va_start(values, format);
    Write(false, format, values);
    va_end(values);
}

BOOL WINAPI OnCtrl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // Outside the Ctrl+C step the main thread ends the check at its next look (within 100
    // ms), as Esc does. The input mode goes back here first: PowerShell, with the check's
    // output redirected, ends it on Ctrl+C before that look.
    if (!inCtrlCStep) {
        SetConsoleMode(input, foundMode);
        InterlockedCompareExchange(&stopEvent, static_cast<LONG>(event) + 1, 0);
        return TRUE;
    }
    InterlockedExchange(&ctrlCRaised, 1);
    InterlockedIncrement(&ctrlCCount);
    return TRUE; // the check stays, to report how Ctrl+C came
}

struct StepRecords {
    KeyRecord records[MAX_RECORDS];
    Reading reading;
    bool escape = false; // Esc was pressed where it was not the key asked for: the check ends
};

// Reads the step's records: waits on the input handle, then reads one record, until the step
// is done (and SETTLE_MS more), Esc, a failed read, or limit with no record.
void ReadStep(Step step, DWORD limit, StepRecords &s)
{
    Reading &r = s.reading;
    r.records = s.records;
    DWORD last = GetTickCount(), doneAt = 0;
    bool done = false;
    int presses = 0;
    for (;;) {
        const DWORD now = GetTickCount();
        if (stopEvent)
            break;
        if (done && now - doneAt >= SETTLE_MS)
            break;
        if (!done && now - last >= limit) {
            r.timedOut = true;
            break;
        }
        if (step == CTRL_C && ctrlCRaised && !done) {
            done = true;
            doneAt = now;
        }
        // Short waits, so that a Ctrl+C raised meanwhile is seen.
        if (WaitForSingleObject(input, 100) != WAIT_OBJECT_0)
            continue;
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputA(input, &record, 1, &count)) {
            r.readFailed = true;
            break;
        }
        if (!count) {
            // A console that keeps saying so would spin here until the limit.
            if (++r.emptyReads >= 100)
                break;
            continue;
        }
        if (record.EventType != KEY_EVENT)
            continue;
        last = GetTickCount();
        const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
        const KeyRecord k = {key.bKeyDown != 0, key.wRepeatCount, key.wVirtualKeyCode,
                             static_cast<unsigned char>(key.uChar.AsciiChar),
                             key.dwControlKeyState};
        if (k.down && k.vk == VK_ESCAPE_KEY && step != ESC_CHARACTER) {
            s.escape = true;
            break;
        }
        if (r.count < MAX_RECORDS)
            s.records[r.count++] = k;
        // Space as the step's first press (not a modifier's) skips it.
        if (k.down && !IsModifier(k.vk) && !presses++ && k.vk == VK_SPACE_KEY &&
            StepInfoOf(step).prompt) {
            r.skipped = true;
            done = true;
            doneAt = last;
        }
        if (!done && StepDone(step, s.records, r.count)) {
            done = true;
            doneAt = last;
        }
    }
}

// A kept Pause (or Ctrl+S, on hosts since July 2023) leaves the screen's output suspended
// until the next press other than a modifier, Pause or a lock key, which the host swallows;
// the check's own writes would wait for it. So after those steps the check writes such a
// press itself (F24, which no keyboard here has), and reads it off if nothing swallowed it.
void ReleaseSuspension()
{
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = TRUE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = VK_F24;
    DWORD count;
    if (!WriteConsoleInputA(input, &record, 1, &count) || !count)
        return;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 500 && WaitForSingleObject(input, 100) != WAIT_FAILED) {
        if (!GetNumberOfConsoleInputEvents(input, &count) || !count)
            continue;
        if (!ReadConsoleInputA(input, &record, 1, &count))
            return;
        if (count && record.EventType == KEY_EVENT &&
            record.Event.KeyEvent.wVirtualKeyCode == VK_F24)
            return;
    }
}

// keycode.exe * on this console, in slots: one run at a time, or two for the Ctrl+C step,
// where a held Ctrl's repeats end run after run, and a C struck while no run was on the
// console would miss keycode: with two, one always is.
PROCESS_INFORMATION runs[2];
bool running[2];

// Under Wine a keycode killed in its read leaves that read pending, and it takes the next
// record written to the console: the person's next key. So a spare record goes first, one
// that keycode and the check pass over (not a key); Windows drops the read, and the spare
// waits in the input to be passed over.
void EndRun(int slot, bool kill)
{
    if (kill) {
        TerminateProcess(runs[slot].hProcess, 1);
        WaitForSingleObject(runs[slot].hProcess, 5000);
        INPUT_RECORD spare = {};
        spare.EventType = FOCUS_EVENT;
        DWORD written;
        WriteConsoleInputW(input, &spare, 1, &written);
    }
    CloseHandle(runs[slot].hThread);
    CloseHandle(runs[slot].hProcess);
    running[slot] = false;
}

// Ends the runs still on the console, at a step's end or its time limit.
void EndRuns()
{
    for (int slot = 0; slot < 2; ++slot)
        if (running[slot])
            EndRun(slot, true);
}

// Fills the empty slots of the first `slots` with runs of keycode.exe * from the check's
// folder. False if none runs.
bool StartRuns(int slots)
{
    for (int slot = 0; slot < slots; ++slot) {
        if (running[slot])
            continue;
        wchar_t path[1024 + 16], line[] = L"keycode.exe *";
        snwprintf(path, sizeof path / sizeof *path, L"%lskeycode.exe", folder);
        STARTUPINFOW start = {};
        start.cb = sizeof start;
        running[slot] = CreateProcessW(path, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                       &start, &runs[slot]) != 0;
    }
    return running[0] || running[1];
}

// A run of keycode.exe * is on the console: in the console's list of processes, which a
// Ctrl+C reaches. CreateProcess returns before that, by seconds on a busy machine.
bool RunOnConsole()
{
    DWORD ids[16];
    const DWORD n = GetConsoleProcessList(ids, 16);
    for (DWORD i = 0; i < n && i < 16; ++i)
        for (int slot = 0; slot < 2; ++slot)
            if (running[slot] && ids[i] == runs[slot].dwProcessId)
                return true;
    return false;
}

// Gives the status of the first run of keycode.exe * in `slots` to end, leaving any other
// on the console for the next call. Ends them all and gives KEYCODE_STILL_WAITING if none
// ended within limit or, once a Ctrl+C that ends the check came, a second after it, or
// KEYCODE_CTRL_C_BETWEEN if a Ctrl+C reached the check since the count *since and none ended a
// second later: struck while no run was attached to the console. *since becomes the count
// this call judged when none ended; a Ctrl+C not yet judged is the next call's. Says *tell
// (if any), on the screen and in the window's title, once the tick count tellAt has passed
// and a run is on the console, and clears it. False if keycode cannot be started.
bool RunKeycode(int slots, DWORD limit, const char **tell, DWORD tellAt, LONG *since,
                int32_t *status)
{
    if (!StartRuns(slots))
        return false;
    DWORD code = static_cast<DWORD>(KEYCODE_FAILED), raisedAt = 0;
    bool raised = false;
    const DWORD started = GetTickCount();
    for (;;) {
        HANDLE handles[2];
        int slotOf[2], n = 0;
        for (int slot = 0; slot < 2; ++slot)
            if (running[slot]) {
                handles[n] = runs[slot].hProcess;
                slotOf[n++] = slot;
            }
        const LONG seen = ctrlCCount; // before the wait: one counted after it is not judged here
        const DWORD wait = WaitForMultipleObjects(n, handles, FALSE, 20);
        const DWORD now = GetTickCount(), waited = now - started;
        if (wait < WAIT_OBJECT_0 + n) {
            const int slot = slotOf[wait - WAIT_OBJECT_0];
            if (!GetExitCodeProcess(runs[slot].hProcess, &code))
                code = static_cast<DWORD>(KEYCODE_FAILED);
            EndRun(slot, false);
            break;
        }
        // Said while keycode runs: a person's reaction to it leaves keycode the time to be
        // attached to the console before C comes.
        if (*tell && static_cast<LONG>(now - tellAt) >= 0 && RunOnConsole()) {
            Ask(">> %s\r\n", *tell);
            SetConsoleTitleA(*tell);
            *tell = nullptr;
        }
        // The check's handler often runs before keycode, reached by the same Ctrl+C, has
        // ended: keycode gets its second from here.
        if ((seen != *since || stopEvent) && !raised) {
            raised = true;
            raisedAt = waited;
        }
        if (wait != WAIT_TIMEOUT || KeycodeWaitOver(waited, limit, raised, raisedAt)) {
            code = wait != WAIT_TIMEOUT   ? static_cast<DWORD>(KEYCODE_FAILED)
                   : raised && !stopEvent ? static_cast<DWORD>(KEYCODE_CTRL_C_BETWEEN)
                                          : static_cast<DWORD>(KEYCODE_STILL_WAITING);
            *since = seen;
            EndRuns();
            break;
        }
    }
    *status = static_cast<int32_t>(code);
    return true;
}

// The program file's name of a process, or with parent of the process that started it;
// "unknown" where it is not found.
void ProcessName(DWORD process, char *name, int size, bool parent = false)
{
    strcpy(name, "unknown");
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    DWORD starter = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); parent && more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == process)
            starter = entry.th32ParentProcessID;
    if (parent)
        process = starter;
    for (BOOL more = Process32FirstW(snapshot, &entry); process && more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == process)
            Utf8(entry.szExeFile, name, size);
    CloseHandle(snapshot);
}

void Describe(bool ownConsole)
{
    typedef LONG(WINAPI * RtlGetVersionCall)(OSVERSIONINFOW *);
    typedef const char *(CDECL * WineVersionCall)();
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionCall>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlGetVersion")));
    const auto wineVersion = reinterpret_cast<WineVersionCall>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "wine_get_version")));
    if (rtlGetVersion && rtlGetVersion(&version) == 0)
        Say("Windows:     %lu.%lu build %lu", version.dwMajorVersion, version.dwMinorVersion,
            version.dwBuildNumber);
    else
        Say("Windows:     version unknown");
    Say(wineVersion ? " (Wine %s)\r\n" : "\r\n", wineVersion ? wineVersion() : "");

    // The console window's class tells a console window from a terminal through ConPTY,
    // whose hidden (or, from Windows Terminal 1.16, shown) window the terminal's window owns.
    // WT_SESSION is only a hint: unset where Windows Terminal is the default terminal, and
    // inherited by a console window started from a tab.
    const HWND window = GetConsoleWindow();
    // Keys are typed into the window that has the focus: the console window, or for ConPTY
    // the terminal's window that owns it. The host names the first program on the console as
    // its window's owner, so for the console and ConPTY windows Windows gives that program's
    // thread, whose layout need not be the window's; a terminal's own window is its own.
    HWND typedInto = window;
    const char *whose = "the console window's owner";
    wchar_t wide[MAX_PATH];
    char name[MAX_PATH * 3] = "";
    if (!window || !GetClassNameW(window, wide, MAX_PATH))
        strcpy(name, "none");
    else
        Utf8(wide, name, sizeof name);
    Say("Console:     window class %s", name);
    if (!strcmp(name, "PseudoConsoleWindow")) {
        Say(": a terminal through ConPTY");
        const HWND owner = GetAncestor(window, GA_ROOTOWNER);
        DWORD id = 0;
        char path[MAX_PATH * 3] = "";
        DWORD size = MAX_PATH;
        if (owner && owner != window && GetWindowThreadProcessId(owner, &id)) {
            typedInto = owner;
            whose = nullptr; // the terminal window's own thread
            const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
            if (process && QueryFullProcessImageNameW(process, 0, wide, &size))
                Utf8(wide, path, sizeof path);
            if (process)
                CloseHandle(process);
        } else {
            whose = "the ConPTY window's owner, not the terminal's";
        }
        Say(path[0] ? ", %s" : ", its program unknown", path);
    } else if (!strcmp(name, "ConsoleWindowClass")) {
        Say(": a console window");
    }
    char session[64];
    Say(GetEnvironmentVariableA("WT_SESSION", session, sizeof session) ? "; WT_SESSION is set\r\n"
                                                                       : "\r\n");
    // cmd's line input drops the Enter release in a console window; PowerShell reads keys
    // itself and does not.
    ProcessName(GetCurrentProcessId(), name, sizeof name, true);
    // Alone on its console: a double click in Explorer, `start` or another program gave it a
    // new one, which closes when the check ends, so it waits for a key at the end.
    Say(ownConsole ? "Started by:  %s, on a console of its own: the check waits for a key "
                     "at its end\r\n"
                   : "Started by:  %s\r\n",
        name);
    Say("Code pages:  input %u, output %u\r\n", GetConsoleCP(), GetConsoleOutputCP());
    const DWORD mode = foundMode;
    Say("Input mode:  0x%lx:%s%s%s%s%s\r\n", mode,
        mode & ENABLE_PROCESSED_INPUT ? " processed" : "", mode & ENABLE_LINE_INPUT ? " line" : "",
        mode & ENABLE_ECHO_INPUT ? " echo" : "", mode & ENABLE_QUICK_EDIT_MODE ? " quick-edit" : "",
        mode & 0x200 ? " virtual-terminal" : "");
    DWORD owner = 0;
    const DWORD thread = typedInto ? GetWindowThreadProcessId(typedInto, &owner) : 0;
    const HKL layout = GetKeyboardLayout(thread);
    // The handle's low four digits are the language; the high four a layout or a device
    // handle. The KLID names the layout: Windows tells it for the calling thread alone, so the
    // check takes that layout on for a moment (its thread has no window to be told of it).
    char klid[KL_NAMELENGTH * 3] = "unknown";
    if (const HKL before = layout ? ActivateKeyboardLayout(layout, 0) : nullptr) {
        if (GetKeyboardLayoutNameW(wide))
            Utf8(wide, klid, sizeof klid);
        ActivateKeyboardLayout(before, 0);
    }
    Say("Keyboard:    layout %08lx, KLID %s: ",
        static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(layout)), klid);
    ProcessName(owner, name, sizeof name);
    if (!thread)
        Say("the check's own thread's, no console window found\r\n");
    else if (!whose)
        Say("that of the terminal window's thread (%s)\r\n", name);
    else
        Say("that of %s's thread, which Windows names as %s\r\n", name, whose);
    Say("Time limit:  %lu s a step\r\n", limitMs / 1000);
    wchar_t path[1024 + 16];
    snwprintf(path, sizeof path / sizeof *path, L"%lskeycode.exe", folder);
    Say(GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES
            ? "keycode:     keycode.exe found beside the check\r\n"
            : "keycode:     no keycode.exe beside the check: the steps that run it only read "
              "their keys\r\n");
}

} // namespace

// What ends the check early, in the report's words: Esc, Ctrl+C or Ctrl+Break.
const char *StopName()
{
    return stopEvent == CTRL_BREAK_EVENT + 1 ? "Ctrl+Break" : "Ctrl+C";
}

// On a console of its own the window closes when the check ends: the report stays on it
// until a key is pressed, or Ctrl+C or Ctrl+Break (or ten minutes pass; the file keeps it
// either way). Modifiers and lock keys do not close it, so that Ctrl (to copy a selection),
// Alt+Tab and the Windows key leave it open. A Ctrl+C still held from before (ctrlHeld: the
// Ctrl+C step's, or the one that ended the check) raises Ctrl+C again as it repeats: those
// are passed over until Ctrl's release is read, or a second after the last one.
void WaitToClose(bool ctrlHeld)
{
    Ask("\r\nPress a key to close this window.\r\n");
    FlushConsoleInputBuffer(input);
    InterlockedExchange(&inCtrlCStep, ctrlHeld); // before the stop is cleared
    InterlockedExchange(&stopEvent, 0);
    LONG raised = ctrlCCount;
    const DWORD start = GetTickCount();
    DWORD lastRaised = start;
    while (!stopEvent && GetTickCount() - start < 600000) {
        if (inCtrlCStep && ctrlCCount != raised) {
            raised = ctrlCCount;
            lastRaised = GetTickCount();
        } else if (inCtrlCStep && GetTickCount() - lastRaised >= 1000) {
            InterlockedExchange(&inCtrlCStep, 0);
        }
        if (WaitForSingleObject(input, 100) != WAIT_OBJECT_0)
            continue;
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputW(input, &record, 1, &count))
            return;
        if (!count || record.EventType != KEY_EVENT)
            continue;
        const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
        if (!key.bKeyDown && key.wVirtualKeyCode == VK_CONTROL)
            InterlockedExchange(&inCtrlCStep, 0);
        if (key.bKeyDown && !IsModifier(key.wVirtualKeyCode))
            return;
    }
}

int main(int argc, char **argv)
{
    input = GetStdHandle(STD_INPUT_HANDLE);
    if (!GetConsoleMode(input, &foundMode)) {
        fprintf(stderr, "consolecheck: standard input is not a console. Run it in a console "
                        "window or terminal, without < or |, and press the keys it asks for.\n");
        return 2;
    }
    screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (screen == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "consolecheck: the console's screen cannot be written (CONOUT$).\n");
        return 2;
    }
    if (argc > 1) {
        const int seconds = atoi(argv[1]);
        if (seconds < 1 || seconds > 60) {
            fprintf(stderr, "usage: consolecheck [SECONDS]  (1 to 60 a step; 15 if not given)\n");
            return 2;
        }
        limitMs = seconds * 1000;
    }
    DWORD processes[4];
    const bool ownConsole = GetConsoleProcessList(processes, 4) == 1;
    const DWORD length = GetModuleFileNameW(nullptr, folder, sizeof folder / sizeof *folder);
    if (!length || length >= sizeof folder / sizeof *folder)
        folder[0] = L'\0';
    else if (wchar_t *slash = wcsrchr(folder, L'\\'))
        slash[1] = L'\0';
    // Beside the program; where that cannot be written (a folder the user may not write to),
    // in %TEMP%, and the check says which.
    wchar_t reportPath[1024 + 32];
    snwprintf(reportPath, sizeof reportPath / sizeof *reportPath, L"%lsconsolecheck.txt", folder);
    report = CreateFileW(reportPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    wchar_t temp[1024];
    const DWORD tempLength = GetTempPathW(sizeof temp / sizeof *temp, temp);
    if (report == INVALID_HANDLE_VALUE && tempLength && tempLength < sizeof temp / sizeof *temp) {
        snwprintf(reportPath, sizeof reportPath / sizeof *reportPath, L"%lsconsolecheck.txt", temp);
        report = CreateFileW(reportPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    SetConsoleCtrlHandler(OnCtrl, TRUE);
    GetConsoleTitleW(title, sizeof title / sizeof *title);
    // No QuickEdit for the run: a click's selection would suspend the check's output as a
    // kept Pause does. The host reports the QuickEdit and insert bits only while the last mode
    // set carried ENABLE_EXTENDED_FLAGS; without it their state is unknown, and setting it
    // would turn insert mode off too, so QuickEdit is then left as it is.
    if (foundMode & ENABLE_EXTENDED_FLAGS)
        SetConsoleMode(input, foundMode & ~ENABLE_QUICK_EDIT_MODE);

    // The Enter that started the check, first, before anything is asked.
    static StepRecords s;
    ReadStep(ENTER_RELEASE, 1000, s);

    Say("consolecheck: what this console does to keys, step by step (docs/consoles.md)\r\n");
    Describe(ownConsole);
    DWORD outputMode;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &outputMode))
        Ask("Standard output is not the console: the check writes to the console and to "
            "consolecheck.txt, and nothing to standard output.\r\n");
    Ask("\r\nEach step asks for keys and waits up to %lu s for them. Space at the start of a "
        "step skips it; Esc ends the check.\r\nToo quick? Run it again as consolecheck 30, for "
        "30 s a step (1 to 60).\r\n\r\n",
        limitMs / 1000);
    char line[1024];
    s.reading.ownConsole = ownConsole;
    FormatStepLine(ENTER_RELEASE, s.reading, 1, line, sizeof line);
    Say("%s\r\n", line);

    bool failed = s.reading.readFailed, escaped = false;
    for (int i = ENTER_RELEASE + 1; i < STEP_COUNT && !escaped; ++i) {
        const Step step = static_cast<Step>(i);
        const StepInfo &info = StepInfoOf(step);
        if (stopEvent) {
            Say("%s: the check ends here, before step \"%s\".\r\n", StopName(), info.name);
            escaped = true;
            break;
        }
        s = StepRecords();
        InterlockedExchange(&ctrlCRaised, 0);
        InterlockedExchange(&inCtrlCStep, step == CTRL_C);
        Ask("\r\n>> ");
        Ask("%s", info.prompt);
        // A sign of more than one byte in code page 65001, read a byte a record, ends a host
        // built before February 2023 (it fails fast splitting the character).
        if (step == ALTGR && GetConsoleCP() == 65001)
            Ask(" Not the euro sign or any other sign outside ASCII: this console's input code "
                "page is 65001, where such a sign ends a console host built before 2023 when it "
                "is read as keycode reads.");
        Ask("\r\n");
        int32_t statuses[MAX_KEYCODE_RUNS];
        if (info.runsKeycode) {
            s.reading.statuses = statuses;
            // As a batch file loops: again while keycode gives a modifier's press; a held
            // modifier's repeats, each a press, are kept once, for as long as the time limit.
            // Ctrl+C: keycode first gives Ctrl's press; C is asked for once the next run is
            // on the console, so that Ctrl+C reaches keycode however fast a person is, and two
            // runs are on it at a time, so that a held Ctrl's repeats leave no gap.
            int32_t code;
            LONG since = ctrlCCount;
            const char *tell = nullptr;
            DWORD tellAt = 0;
            bool told = false;
            DWORD lastNew = GetTickCount();
            while (!stopEvent && s.reading.statusCount < MAX_KEYCODE_RUNS &&
                   GetTickCount() - lastNew < limitMs &&
                   RunKeycode(step == CTRL_C ? 2 : 1, limitMs, &tell, tellAt, &since, &code)) {
                const size_t n = s.reading.statusCount;
                if (!n || code != statuses[n - 1]) {
                    statuses[s.reading.statusCount++] = code;
                    lastNew = GetTickCount();
                }
                if (code == KEYCODE_CTRL_C_BETWEEN && step != CTRL_C) {
                    break;
                } else if (code == KEYCODE_CTRL_C_BETWEEN) {
                    Ask(">> Ctrl+C came between keycode runs: press C again, Ctrl still held, "
                        "when told.\r\n");
                    told = false;
                } else if (!IsKeyPress(code) || !IsModifier(code & 0xff)) {
                    break;
                }
                if (step == CTRL_C && !told) {
                    tell = "Now press C, Ctrl still held.";
                    tellAt = GetTickCount() + TELL_AFTER_MS;
                    told = true;
                }
            }
            EndRuns();
            SetConsoleTitleW(title);
            s.reading.noKeycode = !s.reading.statusCount;
            failed = failed || s.reading.noKeycode;
            if (s.reading.noKeycode && step == CTRL_C)
                Ask(">> No keycode to run: press C now, Ctrl still held.\r\n");
            const int32_t last = s.reading.statusCount ? statuses[s.reading.statusCount - 1] : 0;
            s.escape = IsKeyPress(last) && (last & 0xff) == VK_ESCAPE_KEY;
            s.reading.skipped = IsKeyPress(last) && (last & 0xff) == VK_SPACE_KEY;
            // The rest of the keys asked for (all of them without keycode), read here, so that
            // the next step starts clean.
            if (!s.escape && !s.reading.skipped)
                ReadStep(step, limitMs, s);
        } else {
            ReadStep(step, limitMs, s);
        }
        if (step == PAUSE_READ || step == PAUSE_KEYCODE || step == CTRL_S_READ ||
            step == CTRL_S_KEYCODE)
            ReleaseSuspension();
        s.reading.ctrlCRaised = ctrlCRaised != 0;
        s.reading.lineInput = (foundMode & ENABLE_LINE_INPUT) != 0;
        FormatStepLine(step, s.reading, static_cast<int>(limitMs / 1000), line, sizeof line);
        Say("%s\r\n", line);
        failed = failed || s.reading.readFailed;
        if (s.escape || stopEvent) {
            Say("%s: the check ends here, at step \"%s\".\r\n", s.escape ? "Esc" : StopName(),
                info.name);
            escaped = true;
        }
    }
    InterlockedExchange(&inCtrlCStep, 0);
    if (report != INVALID_HANDLE_VALUE && !CloseHandle(report))
        reportFailed = true;
    if (report != INVALID_HANDLE_VALUE && !reportFailed) {
        Ask("\r\nThe report is in ");
        ToScreenW(reportPath);
        Ask(": paste it into a bug report as it stands.\r\n");
    } else {
        Ask("\r\nconsolecheck.txt could not be written, beside the program or in %%TEMP%%; copy "
            "the report from the screen.\r\n");
        failed = true;
    }
    SetConsoleMode(input, foundMode);
    if (ownConsole)
        WaitToClose(stopEvent || ctrlCRaised);
    // 3: the check could not do all it should (keycode.exe not started, a read failed, no
    // report file); 1: Esc, Ctrl+C or Ctrl+Break ended it.
    return failed ? 3 : escaped ? 1 : 0;
}
