#include "run_row.h"

#include <vector>

namespace {

INPUT_RECORD ToInputRecord(const CaseRecord &row)
{
    static_assert(CASE_KEY_EVENT == KEY_EVENT && CASE_MOUSE_EVENT == MOUSE_EVENT &&
                      CASE_WINDOW_BUFFER_SIZE_EVENT == WINDOW_BUFFER_SIZE_EVENT &&
                      CASE_MENU_EVENT == MENU_EVENT && CASE_FOCUS_EVENT == FOCUS_EVENT,
                  "the tables' event types are the console's");
    INPUT_RECORD record;
    ZeroMemory(&record, sizeof record);
    record.EventType = row.eventType;
    if (row.eventType != KEY_EVENT)
        return record; // nothing else in it
    KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    key.bKeyDown = row.down;
    key.wRepeatCount = static_cast<WORD>(row.repeat);
    key.wVirtualKeyCode = static_cast<WORD>(row.vk);
    key.wVirtualScanCode = 0x1E; // keycode never looks at it
    key.uChar.AsciiChar = static_cast<CHAR>(row.ch);
    key.dwControlKeyState = row.state;
    return record;
}

// A small file holding one byte, opened for reading only: a standard handle that is not a
// console and cannot be written.
HANDLE ReadOnlyFile(const std::wstring &path, SECURITY_ATTRIBUTES *inherit)
{
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, "Q", 1, &written, 0);
        CloseHandle(file);
    }
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, inherit, OPEN_EXISTING, 0, 0);
}

HANDLE Inheritable(HANDLE handle)
{
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

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

// Wide, as every path of the run's own: a temporary folder outside the ANSI code page (a
// user named in another script) must not stop the run.
std::wstring ScratchFile()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"keycode-harness.txt";
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

// Whether every program of the row's job has ended; true where the job cannot say.
bool JobEnded(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    return !job ||
           !QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                      0) ||
           !info.ActiveProcesses;
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
            // The programs it started too (a keycode under cmd): one still dying could take
            // the next row's records.
            const DWORD killed = GetTickCount();
            bool gone = WaitForSingleObject(process.hProcess, KILL_BOUND_MS) == WAIT_OBJECT_0;
            while (gone && !JobEnded(job) && GetTickCount() - killed < KILL_BOUND_MS)
                Sleep(20);
            outcome.outlivedKill = !gone || !JobEnded(job);
            outcome.timedOut = true;
            ended = true;
        }
    }
    outcome.milliseconds = GetTickCount() - start;
    GetExitCodeProcess(process.hProcess, &outcome.status);
}

} // namespace

Outcome Run(const CaseRow &row, const std::string &keycodePath, HANDLE conin)
{
    Outcome outcome;
    std::vector<INPUT_RECORD> records;
    for (const CaseRecord &record : row.records)
        records.push_back(ToInputRecord(record));
    const bool secondThread = row.program == "keycode+thread";
    const bool waitFirst = secondThread || row.ctrlBreak;
    // Records after "@MS" are written that long after the start.
    const std::vector<INPUT_RECORD> late(records.begin() + row.delayedFrom, records.end());
    if (row.delayMs)
        records.resize(row.delayedFrom);
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
    std::string commandLine = CommandLineFor(row, keycodePath);
    PROCESS_INFORMATION process;
    // Ctrl+Break goes to the program's own process group alone: Ctrl+C cannot be aimed, and on
    // a shared console (a CI runner's) it would reach the runner and the cmd.exe that started
    // this harness, which would then ask whether to end its batch job.
    const DWORD flags = CREATE_SUSPENDED | (row.ctrlBreak ? CREATE_NEW_PROCESS_GROUP : 0);
    // keywait.exe lies beside keycode.exe.
    const std::string program =
        row.program == "keywait"
            ? keycodePath.substr(0, keycodePath.find_last_of("/\\") + 1) + "keywait.exe"
            : keycodePath;
    if (CreateProcessA(row.program == "cmd" ? 0 : program.c_str(), &commandLine[0], 0, 0, TRUE,
                       flags, 0, 0, &startup, &process)) {
        // In a job, so that a timeout ends the programs a batch file started as well: one left
        // waiting in a read would take the next row's records. Windows 7 puts no job in
        // another, so where this harness was itself started in one, that fails.
        HANDLE job = CreateJobObjectA(0, 0);
        if (!job || !AssignProcessToJobObject(job, process.hProcess))
            outcome.jobError = GetLastError();
        const DWORD resumed = GetTickCount();
        ResumeThread(process.hThread);
        if (row.delayMs) {
            Sleep(row.delayMs);
            outcome.queued += Queue(conin, late);
        }
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
        // From before the program could start its own clock, so that a bound's "not before"
        // holds by the same clock.
        outcome.milliseconds = GetTickCount() - resumed;
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
