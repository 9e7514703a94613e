// Drives programs on a real console, Wine's or Windows' own: for each row of the case tables
// it empties the console's input buffer, puts the row's key records into it with
// WriteConsoleInputA, starts the program on that console with its standard output on a pipe,
// and compares the bytes it wrote and its full 32-bit exit status with the row's. A table with
// a row it cannot read stops the run before any row is run. Rows run under code page 437, so
// that a character byte is one record whatever code page the console had (a CI runner's is
// UTF-8); a row marked for the other console is skipped and counted. Built with mingw-w64.
// Usage: harness.exe KEYCODE.EXE REPORT-FILE CASES-FILE...
#include <windows.h>

#include "case_table.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD CASE_TIMEOUT_MS = 60000; // an emulated machine under load is slow
// "keycode+thread" rows: a second thread sleeps in the program's process for longer than any
// case may take, as loader, console-host or injected threads do; the program must still end
// within this bound, with its own status.
const DWORD SECOND_THREAD_SLEEP_MS = 10 * CASE_TIMEOUT_MS;
const DWORD SECOND_THREAD_BOUND_MS = 15000;

INPUT_RECORD ToInputRecord(const CaseRecord &row)
{
    INPUT_RECORD record;
    ZeroMemory(&record, sizeof record);
    // m, f, u, w: a mouse, focus, menu or buffer-size record, with nothing else in it.
    const WORD others[] = {MOUSE_EVENT, FOCUS_EVENT, MENU_EVENT, WINDOW_BUFFER_SIZE_EVENT};
    for (int i = 0; i < 4; ++i)
        if (row.kind == "mfuw"[i]) {
            record.EventType = others[i];
            return record;
        }
    record.EventType = KEY_EVENT;
    KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    key.bKeyDown = row.down;
    key.wRepeatCount = static_cast<WORD>(row.repeat);
    key.wVirtualKeyCode = static_cast<WORD>(row.vk);
    key.wVirtualScanCode = 0x1E; // keycode never looks at it
    key.uChar.AsciiChar = static_cast<CHAR>(row.ch);
    key.dwControlKeyState = row.state;
    return record;
}

// A path with every path separator written as the one given.
std::string Separated(std::string path, char separator)
{
    for (char &c : path)
        if (c == '/' || c == '\\')
            c = separator;
    return path;
}

// "{keycode/}" in a command line stands for keycode.exe's full path written with forward
// slashes, wherever the program lies.
std::string WithOwnPath(std::string line, const std::string &keycode)
{
    const std::string mark = "{keycode/}";
    const size_t at = line.find(mark);
    return at == std::string::npos ? line : line.replace(at, mark.size(), Separated(keycode, '/'));
}

std::string Escape(const std::string &bytes)
{
    std::string out;
    char hex[8];
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c > 0x7E) {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

// A small file holding one byte, opened for reading only: a standard handle that is not a
// console and cannot be written.
HANDLE ReadOnlyFile(const std::string &path, SECURITY_ATTRIBUTES *inherit)
{
    if (FILE *file = std::fopen(path.c_str(), "wb")) {
        std::fputs("Q", file);
        std::fclose(file);
    }
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, inherit, OPEN_EXISTING, 0, 0);
}

HANDLE Inheritable(HANDLE handle)
{
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

struct Outcome {
    std::string output;
    bool outputCut = false; // the program wrote more than is kept
    DWORD status = 0;
    std::string started; // empty, or why the program could not be started
    bool timedOut = false;
    DWORD queued = 0;     // records that reached the console's input buffer
    bool injected = true; // the second thread, where asked for, was started
    DWORD signalError = 0; // why Ctrl+Break, where asked for, could not be raised
    DWORD milliseconds = 0;
};

const size_t OUTPUT_KEPT = 1 << 20;

DWORD Queue(HANDLE conin, const std::vector<INPUT_RECORD> &records)
{
    DWORD written = 0;
    if (!records.empty())
        WriteConsoleInputA(conin, &records[0], static_cast<DWORD>(records.size()), &written);
    return written;
}

// Starts kernel32's Sleep as a thread of the process; kernel32 lies at the same address in
// every process of this machine.
bool StartSleepingThread(HANDLE process)
{
    LPTHREAD_START_ROUTINE sleep = 0; // Sleep(DWORD) has a thread routine's shape
    const FARPROC address = GetProcAddress(GetModuleHandleA("kernel32.dll"), "Sleep");
    CopyMemory(&sleep, &address, sizeof sleep);
    HANDLE thread = CreateRemoteThread(process, 0, 0, sleep,
                                       reinterpret_cast<void *>(SECOND_THREAD_SLEEP_MS), 0, 0);
    if (!thread)
        return false;
    CloseHandle(thread);
    return true;
}

std::string ScratchFile()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "keycode-harness.txt";
}

// The row's standard input: the console, or one that is not a console. The table reader has
// let through only these four kinds.
HANDLE OpenStdin(const std::string &kind, HANDLE conin, SECURITY_ATTRIBUTES *inherit)
{
    HANDLE in = INVALID_HANDLE_VALUE;
    if (kind == "console")
        return conin;
    if (kind == "file")
        return ReadOnlyFile(ScratchFile(), inherit);
    if (kind == "pipe") {
        HANDLE writer;
        CreatePipe(&in, &writer, inherit, 0);
        DWORD n;
        WriteFile(writer, "Q", 1, &n, 0);
        CloseHandle(writer);
        return in;
    }
    return CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, inherit,
                       OPEN_EXISTING, 0, 0);
}

// Reads what the program writes until it ends, or until the row's time is up, whichever
// comes first, even while it keeps writing; then ends the whole job.
void Collect(HANDLE pipe, const PROCESS_INFORMATION &process, HANDLE job, Outcome &outcome)
{
    const DWORD start = GetTickCount();
    static char buffer[4096];
    for (bool ended = false;;) {
        DWORD available = 0, got = 0;
        while (GetTickCount() - start <= CASE_TIMEOUT_MS &&
               PeekNamedPipe(pipe, 0, 0, 0, &available, 0) && available &&
               ReadFile(pipe, buffer, sizeof buffer, &got, 0) && got) {
            if (outcome.output.size() < OUTPUT_KEPT)
                outcome.output.append(buffer, got);
            else
                outcome.outputCut = true;
        }
        if (ended)
            break;
        ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
        if (!ended && GetTickCount() - start > CASE_TIMEOUT_MS) {
            TerminateJobObject(job, 0xDEAD);
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, INFINITE);
            outcome.timedOut = true;
            ended = true;
        }
    }
    outcome.milliseconds = GetTickCount() - start;
    GetExitCodeProcess(process.hProcess, &outcome.status);
}

// Runs one row on this console. The records are queued before the start, or, with a second
// thread, once that thread is in the process.
Outcome Run(const CaseRow &row, const std::string &keycodePath, HANDLE conin)
{
    Outcome outcome;
    std::vector<INPUT_RECORD> records;
    for (const CaseRecord &record : row.records)
        records.push_back(ToInputRecord(record));
    const bool secondThread = row.program == "keycode+thread";
    const bool waitFirst = secondThread || row.ctrlBreak;
    if (!secondThread)
        outcome.queued = Queue(conin, records);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, 0, TRUE};
    HANDLE in = OpenStdin(row.stdinKind, conin, &inherit), pipeRead = 0, pipeWrite = 0;
    CreatePipe(&pipeRead, &pipeWrite, 0, 0);
    HANDLE out =
        row.stdoutKind == "pipe" ? Inheritable(pipeWrite) : ReadOnlyFile(ScratchFile(), &inherit);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::string commandLine = WithOwnPath(row.commandLine, keycodePath);
    PROCESS_INFORMATION process;
    // Ctrl+Break goes to the program's own process group alone: Ctrl+C cannot be aimed, and on
    // a shared console (a CI runner's) it would reach the runner and the cmd.exe that started
    // this harness, which would then ask whether to end its batch job.
    const DWORD flags = CREATE_SUSPENDED | (row.ctrlBreak ? CREATE_NEW_PROCESS_GROUP : 0);
    if (CreateProcessA(row.program == "cmd" ? 0 : keycodePath.c_str(), &commandLine[0], 0, 0, TRUE,
                       flags, 0, 0, &startup, &process)) {
        // In a job, so that a timeout ends the programs a batch file started as well: one left
        // waiting in a read would take the next row's records.
        HANDLE job = CreateJobObjectA(0, 0);
        AssignProcessToJobObject(job, process.hProcess);
        ResumeThread(process.hThread);
        if (waitFirst)
            Sleep(1000); // until the program is up and waiting: kernel32 is mapped by then
        if (secondThread) {
            outcome.injected = StartSleepingThread(process.hProcess);
            outcome.queued = Queue(conin, records);
        }
        if (row.ctrlBreak && !GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, process.dwProcessId))
            outcome.signalError = GetLastError();
        CloseHandle(pipeWrite); // so that the pipe ends when the program does
        pipeWrite = 0;
        Collect(pipeRead, process, job, outcome);
        if (waitFirst)
            outcome.milliseconds += 1000;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        CloseHandle(job);
    } else {
        outcome.started = "could not be started (error " + std::to_string(GetLastError()) + ")";
    }
    CloseHandle(pipeRead);
    if (pipeWrite)
        CloseHandle(pipeWrite);
    if (row.stdoutKind != "pipe")
        CloseHandle(out);
    if (in != conin)
        CloseHandle(in);
    return outcome;
}

FILE *report = 0;

// Every line goes to this console's standard output and to the report file alike.
void Say(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
    if (report) {
        va_start(args, format);
        std::vfprintf(report, format, args);
        va_end(args);
        std::fflush(report);
    }
}

HANDLE OpenConsole(const char *name)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, 0, TRUE};
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, OPEN_EXISTING, 0, 0);
}

std::string FullPath(const char *path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path, MAX_PATH, full, 0);
    return length && length < MAX_PATH ? full : path;
}

// Every row of every table, or the tables' faults: a row that cannot be read would test
// something else than it says.
bool ReadTables(int count, char **paths, std::vector<CaseRow> &rows)
{
    std::vector<std::string> errors;
    for (int i = 0; i < count; ++i) {
        std::string text;
        if (FILE *file = std::fopen(paths[i], "rb")) {
            static char chunk[4096]; // off the stack: large frames need stack probes
            for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                text.append(chunk, n);
            std::fclose(file);
        } else {
            errors.push_back(std::string("no case table ") + paths[i]);
            continue;
        }
        std::string name = paths[i];
        const size_t slash = name.find_last_of("/\\");
        ReadCaseTable(slash == std::string::npos ? name : name.substr(slash + 1), text, rows,
                      errors);
    }
    for (const std::string &error : errors)
        Say("FAIL %s\n", error.c_str());
    if (!errors.empty())
        Say("0 passed, %u failed: the tables must be mended before any row runs\n",
            static_cast<unsigned>(errors.size()));
    return errors.empty();
}

// This process's console, or one made for it when it was started without one (a service).
// INVALID_HANDLE_VALUE when there is none to be had.
HANDLE FindConsole(bool &made)
{
    HANDLE conin = OpenConsole("CONIN$");
    DWORD mode = 0;
    made = false;
    if (conin != INVALID_HANDLE_VALUE && GetConsoleMode(conin, &mode))
        return conin;
    if (conin != INVALID_HANDLE_VALUE)
        CloseHandle(conin);
    FreeConsole();
    if (AllocConsole())
        conin = OpenConsole("CONIN$");
    made = true;
    if (conin != INVALID_HANDLE_VALUE && GetConsoleMode(conin, &mode))
        return conin;
    Say("no console to drive (error %lu)\n0 passed, 1 failed\n",
        static_cast<unsigned long>(GetLastError()));
    return INVALID_HANDLE_VALUE;
}

// "Wine 8.0" or "Windows 10.0.22631": which console this is decides the rows marked for one.
// ntdll exports wine_get_version under Wine alone; RtlGetVersion tells the true Windows
// version, which GetVersionEx hides from a program without a manifest.
std::string Platform(bool &wine)
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const FARPROC wineVersion = GetProcAddress(ntdll, "wine_get_version");
    wine = wineVersion != 0;
    if (wine) {
        const char *(*version)() = 0;
        CopyMemory(&version, &wineVersion, sizeof version);
        return std::string("Wine ") + version();
    }
    RTL_OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    LONG(WINAPI * get)(RTL_OSVERSIONINFOW *) = 0;
    const FARPROC rtlGetVersion = GetProcAddress(ntdll, "RtlGetVersion");
    CopyMemory(&get, &rtlGetVersion, sizeof get);
    if (!get || get(&info) != 0)
        return "Windows";
    return "Windows " + std::to_string(info.dwMajorVersion) + "." +
           std::to_string(info.dwMinorVersion) + "." + std::to_string(info.dwBuildNumber);
}

// Variables that rows set inside their own cmd.exe: a value the caller left would change what
// the examples do.
void ClearRowVariables()
{
    std::vector<std::string> names = {"KEYCODE_EXE", "YESNO", "STANDIN_STATUS"};
    if (char *block = GetEnvironmentStringsA()) {
        for (const char *entry = block; *entry; entry += std::strlen(entry) + 1)
            if (_strnicmp(entry, "KEY_", 4) == 0)
                names.push_back(std::string(entry, std::strcspn(entry, "=")));
        FreeEnvironmentStringsA(block);
    }
    for (const std::string &name : names)
        SetEnvironmentVariableA(name.c_str(), 0);
}

// Under Wine a program killed in its read leaves the read pending, and it takes the next
// record written; Windows drops it. A spare record tells which this console does.
const char *AfterKill(HANDLE conin)
{
    INPUT_RECORD spare = {};
    spare.EventType = FOCUS_EVENT;
    DWORD written = 0, left = 0;
    WriteConsoleInputA(conin, &spare, 1, &written);
    Sleep(200);
    GetNumberOfConsoleInputEvents(conin, &left);
    return left ? "after the kill no read was left pending"
                : "after the kill a pending read took a spare record";
}

// What a program wrote, escaped, and cut where it runs long.
std::string Shown(const std::string &bytes)
{
    const size_t shown = 400;
    if (bytes.size() <= shown)
        return "\"" + Escape(bytes) + "\"";
    return "\"" + Escape(bytes.substr(0, shown)) + "\"... (" + std::to_string(bytes.size()) +
           " bytes in all)";
}

// One row: run, then one line "ok NAME", or "FAIL NAME" with every reason and what was
// wanted and got.
bool Check(const CaseRow &row, const std::string &keycodePath, HANDLE conin)
{
    ClearRowVariables();
    FlushConsoleInputBuffer(conin);
    const Outcome got = Run(row, keycodePath, conin);
    std::vector<std::string> why;
    if (!got.started.empty())
        why.push_back(row.program + " " + got.started);
    if (got.timedOut)
        why.push_back("timed out after " + std::to_string(CASE_TIMEOUT_MS / 1000) + " s, " +
                      AfterKill(conin));
    if (got.queued != row.records.size())
        why.push_back(std::to_string(got.queued) + " of " + std::to_string(row.records.size()) +
                      " records queued");
    if (!got.injected)
        why.push_back("no second thread");
    if (got.signalError)
        why.push_back("Ctrl+Break could not be raised (error " + std::to_string(got.signalError) +
                      ")");
    if (row.program == "keycode+thread" && got.milliseconds > SECOND_THREAD_BOUND_MS)
        why.push_back("with a second thread it took more than " +
                      std::to_string(SECOND_THREAD_BOUND_MS) + " ms");
    if (got.status != row.status)
        why.push_back("status differs");
    if (got.output != row.output)
        why.push_back(got.outputCut ? "output differs (more than 1 MiB written)"
                                    : "output differs");
    if (why.empty()) {
        Say("ok   %s\n", row.name.c_str());
        return true;
    }
    std::string reasons;
    for (const std::string &reason : why)
        reasons += (reasons.empty() ? "" : "; ") + reason;
    Say("FAIL %s (%s)\n  why:  %s\n  want status %08lx, output \"%s\"\n"
        "  got  status %08lx, output %s, after %lu ms\n",
        row.name.c_str(), row.where.c_str(), reasons.c_str(), row.status,
        Escape(row.output).c_str(), static_cast<unsigned long>(got.status),
        Shown(got.output).c_str(), static_cast<unsigned long>(got.milliseconds));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: harness KEYCODE.EXE REPORT CASES...\n");
        return 2;
    }
    report = std::fopen(argv[2], "w");
    bool made = false, wine = false;
    const HANDLE conin = FindConsole(made);
    if (conin == INVALID_HANDLE_VALUE)
        return 1;
    const std::string platform = Platform(wine);
    HANDLE conout = OpenConsole("CONOUT$");
    DWORD mode = 0, outMode = 0;
    GetConsoleMode(conin, &mode);
    GetConsoleMode(conout, &outMode);
    const UINT inputCp = GetConsoleCP(), outputCp = GetConsoleOutputCP();
    Say("console %s, code pages %u in and %u out, rows run at 437; %s\n",
        made ? "made for the cases" : "found", inputCp, outputCp, platform.c_str());
    std::vector<CaseRow> rows;
    if (!ReadTables(argc - 3, argv + 3, rows))
        return 1;
    // Under 65001 a character byte above 0x7f written with WriteConsoleInputA comes back as
    // the bytes of U+FFFD, one record each; 437 hands every byte back as it went in.
    SetConsoleCP(437);
    SetConsoleOutputCP(437);
    // Line input on, as a new console has it (Pause and Ctrl+S act on it); processed input
    // off, or a record with character 0x03 would raise Ctrl+C in every process here.
    SetConsoleMode(conin, (mode | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT) & ~ENABLE_PROCESSED_INPUT);

    const std::string keycodePath = FullPath(argv[1]);
    const char *here = wine ? "wine" : "windows";
    int passed = 0, failed = 0, skipped = 0;
    for (const CaseRow &row : rows) {
        if (!row.console.empty() && row.console != here) {
            Say("skip %s (%s): for %s console alone\n", row.name.c_str(), row.where.c_str(),
                wine ? "Windows'" : "Wine's");
            ++skipped;
        } else {
            ++(Check(row, keycodePath, conin) ? passed : failed);
        }
    }

    // The console as it was found: a person's window goes on being used after the run.
    FlushConsoleInputBuffer(conin);
    SetConsoleCP(inputCp);
    SetConsoleOutputCP(outputCp);
    SetConsoleMode(conin, mode);
    if (conout != INVALID_HANDLE_VALUE)
        SetConsoleMode(conout, outMode);
    Say("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    if (report)
        std::fclose(report);
    return failed ? 1 : 0;
}
