// Drives programs on a real console, Wine's or Windows' own: for each case it empties the
// console's input buffer, puts the case's key records into it with WriteConsoleInputA, starts
// the program on that console with its standard output on a pipe, and compares the bytes it
// wrote and its full 32-bit exit status with the case's. Built with mingw-w64.
// Usage: harness.exe KEYCODE.EXE REPORT-FILE CASES-FILE...
//        harness.exe --run KEYCODE.EXE [ARGUMENT...]
// The second form starts keycode on this console, as a person would, and tells its full
// status, which a shell would cut to its low byte.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char BANNER[] =
    "Displays keystroke events.  <Esc> to exit.  dorix.example/dorix  12/31/2019\r\n";
const DWORD CASE_TIMEOUT_MS = 60000; // an emulated machine under load is slow
// "keycode+thread" rows: a second thread sleeps in the program's process for longer than any
// case may take, as loader, console-host or injected threads do; the program must still end
// within this bound, with its own status.
const DWORD SECOND_THREAD_SLEEP_MS = 10 * CASE_TIMEOUT_MS;
const DWORD SECOND_THREAD_BOUND_MS = 15000;

// "k+41:41:30" a press of virtual key 0x41, character 0x41, control state 0x30 (hex);
// "k-..." a release; a "*N" suffix sets the repeat count. "m", "f", "u", "w": a mouse, focus,
// menu or buffer-size record.
bool ParseRecord(const std::string &token, INPUT_RECORD &record)
{
    ZeroMemory(&record, sizeof record);
    switch (token[0]) {
    case 'm': record.EventType = MOUSE_EVENT; return true;
    case 'f': record.EventType = FOCUS_EVENT; return true;
    case 'u': record.EventType = MENU_EVENT; return true;
    case 'w': record.EventType = WINDOW_BUFFER_SIZE_EVENT; return true;
    case 'k': break;
    default: return false;
    }
    unsigned vk = 0, ch = 0, state = 0, repeat = 1;
    if (token.size() < 2 || std::sscanf(token.c_str() + 2, "%x:%x:%x*%u", &vk, &ch, &state,
                                        &repeat) < 3)
        return false;
    record.EventType = KEY_EVENT;
    KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    key.bKeyDown = token[1] == '+';
    key.wRepeatCount = static_cast<WORD>(repeat);
    key.wVirtualKeyCode = static_cast<WORD>(vk);
    key.wVirtualScanCode = 0x1E; // keycode never looks at it
    key.uChar.AsciiChar = static_cast<CHAR>(ch);
    key.dwControlKeyState = state;
    return true;
}

// "{banner}" stands for the banner line; \r, \n, \\ and \xHH as in C.
std::string Unescape(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 8, "{banner}") == 0) {
            out += BANNER;
            i += 7;
        } else if (text[i] == '\\' && i + 1 < text.size()) {
            const char c = text[++i];
            if (c == 'x' && i + 2 < text.size()) {
                out += static_cast<char>(std::strtoul(text.substr(i + 1, 2).c_str(), 0, 16));
                i += 2;
            } else {
                out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
            }
        } else {
            out += text[i];
        }
    }
    return out;
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
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c > 0x7E) { std::snprintf(hex, sizeof hex, "\\x%02x", c); out += hex; }
        else out += static_cast<char>(c);
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
    DWORD status = 0;
    bool timedOut = false;
    bool queued = false;  // every record reached the console's input buffer
    bool injected = true; // the second thread, where asked for, was started
    DWORD milliseconds = 0;
};

bool Queue(HANDLE conin, const std::vector<INPUT_RECORD> &records)
{
    DWORD written = 0;
    if (!records.empty())
        WriteConsoleInputA(conin, &records[0], static_cast<DWORD>(records.size()), &written);
    return written == records.size();
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

// Runs one command line on this console with the given standard handles. The records are
// queued before the start, or, with a second thread, once that thread is in the process.
Outcome Run(const char *application, std::string commandLine, const std::string &stdinKind,
            const std::string &stdoutKind, HANDLE conin, const std::vector<INPUT_RECORD> &records,
            bool secondThread)
{
    Outcome outcome;
    if (!secondThread)
        outcome.queued = Queue(conin, records);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, 0, TRUE};
    HANDLE in = INVALID_HANDLE_VALUE, pipeRead = 0, pipeWrite = 0, out = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "keycode-harness.txt";
    if (stdinKind == "console") {
        in = conin;
    } else if (stdinKind == "file") {
        in = ReadOnlyFile(file, &inherit);
    } else if (stdinKind == "pipe") {
        HANDLE writer;
        CreatePipe(&in, &writer, &inherit, 0);
        DWORD n;
        WriteFile(writer, "Q", 1, &n, 0);
        CloseHandle(writer);
    } else {
        in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         OPEN_EXISTING, 0, 0);
    }
    CreatePipe(&pipeRead, &pipeWrite, 0, 0);
    if (stdoutKind == "pipe") {
        out = Inheritable(pipeWrite);
    } else {
        out = ReadOnlyFile(file, &inherit);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(application, &commandLine[0], 0, 0, TRUE, CREATE_SUSPENDED, 0, 0,
                        &startup, &process)) {
        outcome.output = "(could not start)";
        return outcome;
    }
    // In a job, so that a timeout ends the programs a batch file started as well: one left
    // waiting in a read would take the next case's records.
    HANDLE job = CreateJobObjectA(0, 0);
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    const DWORD start = GetTickCount();
    if (secondThread) {
        // Once the program is up and waiting: the loader has mapped kernel32 by then.
        Sleep(1000);
        outcome.injected = StartSleepingThread(process.hProcess);
        outcome.queued = Queue(conin, records);
    }
    CloseHandle(pipeWrite); // so that the pipe ends when the program does
    for (bool ended = false;;) {
        DWORD available = 0, got = 0;
        static char buffer[4096];
        while (PeekNamedPipe(pipeRead, 0, 0, 0, &available, 0) && available &&
               ReadFile(pipeRead, buffer, sizeof buffer, &got, 0) && got)
            outcome.output.append(buffer, got);
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
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(job);
    CloseHandle(pipeRead);
    if (out != pipeWrite)
        CloseHandle(out);
    if (in != conin)
        CloseHandle(in);
    return outcome;
}

std::vector<std::string> Split(const std::string &line, char by)
{
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == by)
            fields.push_back(std::string());
        else
            fields.back() += c;
    }
    return fields;
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

// keycode's exit status as keycode itself means it.
std::string DescribeStatus(DWORD status)
{
    static const char *const FLAGS[] = {"RightAlt", "LeftAlt",    "RightCtrl", "LeftCtrl", "Shift",
                                        "NumLock",  "ScrollLock", "CapsLock",  "Enhanced"};
    char text[160];
    if (status == 0)
        return "0 (Esc)";
    if (status == 0xFFFFFFFF)
        return "-1 (no key: the console could not be read, or the output not written)";
    if (status == 0xC000013A)
        return "0xc000013a (ended by Ctrl+C)";
    if (status >> 26) {
        std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(status));
        return text;
    }
    const unsigned ch = status >> 8 & 0xFF;
    char character[24];
    if (ch >= 0x20 && ch < 0x7F)
        std::snprintf(character, sizeof character, "character '%c'", ch);
    else if (ch)
        std::snprintf(character, sizeof character, "character 0x%02x", ch);
    else
        std::snprintf(character, sizeof character, "no character");
    std::snprintf(text, sizeof text, "0x%08lx (key %s, %s, virtual-key 0x%02lx",
                  static_cast<unsigned long>(status), status & 0x02000000 ? "down" : "up",
                  character, static_cast<unsigned long>(status & 0xFF));
    std::string described = text;
    for (unsigned bit = 0; bit < 9; ++bit)
        if (status >> (16 + bit) & 1)
            described += std::string(", ") + FLAGS[bit];
    return described + ")";
}

// Ctrl+C reaches every process on the console: this one outlives keycode to tell its status.
BOOL WINAPI OutliveCtrlC(DWORD)
{
    return TRUE;
}

// --run: keycode on this console with the given arguments, its full status told after.
int RunKeycode(int argc, char **argv)
{
    const std::string path = Separated(FullPath(argv[2]), '\\'); // a '/' would show releases
    std::string line = "\"" + path + "\"";
    for (int i = 3; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool quote = argument.empty() || argument.find(' ') != std::string::npos;
        line += quote ? " \"" + argument + "\"" : " " + argument;
    }
    // A handler routine, unlike ignoring Ctrl+C outright, is not inherited by keycode.
    SetConsoleCtrlHandler(OutliveCtrlC, TRUE);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(0, &line[0], 0, 0, TRUE, 0, 0, 0, &startup, &process)) {
        std::printf("could not start %s\n", path.c_str());
        return 255;
    }
    // A look at the input buffer makes Wine's terminal console take keys raw, into the buffer,
    // rather than leave the terminal to echo them until keycode's first read: from here on
    // keys typed wait there for keycode.
    INPUT_RECORD record;
    DWORD seen = 0;
    PeekConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &record, 1, &seen);
    if (line.find('*') != std::string::npos) {
        std::printf("waiting for a key press\n");
        std::fflush(stdout);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    std::printf("\nkeycode ended with status %s\n", DescribeStatus(status).c_str());
    return static_cast<int>(status);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--run")
        return RunKeycode(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: harness KEYCODE.EXE REPORT CASES...\n"
                             "       harness --run KEYCODE.EXE [ARGUMENT...]\n");
        return 2;
    }
    report = std::fopen(argv[2], "w");
    const std::string keycodePath = FullPath(argv[1]);
    HANDLE conin = OpenConsole("CONIN$");
    DWORD mode = 0, outMode = 0;
    if (conin == INVALID_HANDLE_VALUE || !GetConsoleMode(conin, &mode)) {
        // Started by a service or a CI runner: the cases need a console of their own.
        if (conin != INVALID_HANDLE_VALUE)
            CloseHandle(conin);
        FreeConsole();
        if (AllocConsole())
            conin = OpenConsole("CONIN$");
        Say("no console here: made one for the cases\n");
        if (conin == INVALID_HANDLE_VALUE || !GetConsoleMode(conin, &mode)) {
            Say("no console to drive (error %lu)\n0 passed, 1 failed\n",
                static_cast<unsigned long>(GetLastError()));
            return 1;
        }
    }
    HANDLE conout = OpenConsole("CONOUT$");
    GetConsoleMode(conout, &outMode);
    // A record with character 0x03 would otherwise raise Ctrl+C in every process here.
    SetConsoleMode(conin, mode & ~ENABLE_PROCESSED_INPUT);

    // Every table's rows, in order; one report for them all.
    int passed = 0, failed = 0;
    std::vector<std::string> rows;
    for (int table = 3; table < argc; ++table) {
        FILE *cases = std::fopen(argv[table], "rb");
        if (!cases) {
            Say("FAIL no case table %s\n", argv[table]);
            ++failed;
            continue;
        }
        static char text[4096]; // off the stack: large frames need stack probes
        while (std::fgets(text, sizeof text, cases)) {
            std::string line = text;
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            if (!line.empty() && line[0] != '#')
                rows.push_back(line);
        }
        std::fclose(cases);
    }
    for (const std::string &line : rows) {
        // name | program | command line | stdin | stdout | records | output | status
        const std::vector<std::string> f = Split(line, '|');
        if (f.size() != 8) {
            Say("FAIL malformed row: %s\n", line.c_str());
            ++failed;
            continue;
        }
        std::vector<INPUT_RECORD> records;
        bool parsed = true;
        for (const std::string &token : Split(f[5], ' '))
            if (!token.empty()) {
                INPUT_RECORD record;
                parsed = parsed && ParseRecord(token, record);
                records.push_back(record);
            }
        FlushConsoleInputBuffer(conin);
        const bool secondThread = f[1] == "keycode+thread";
        const bool keycode = f[1] == "keycode" || secondThread;
        const Outcome got = Run(keycode ? keycodePath.c_str() : 0, WithOwnPath(f[2], keycodePath),
                                f[3], f[4], conin, records, secondThread);
        const bool prompt = !secondThread || got.milliseconds <= SECOND_THREAD_BOUND_MS;
        const std::string expected = Unescape(f[6]);
        const DWORD status = static_cast<DWORD>(std::strtoul(f[7].c_str(), 0, 16));
        // Under Wine a program killed in its read leaves the read pending, and it takes the
        // next record written; Windows drops it. A spare record tells which this console does.
        const char *afterKill = "";
        if (got.timedOut) {
            INPUT_RECORD spare = {};
            spare.EventType = FOCUS_EVENT;
            DWORD spareWritten = 0, left = 0;
            WriteConsoleInputA(conin, &spare, 1, &spareWritten);
            Sleep(200);
            GetNumberOfConsoleInputEvents(conin, &left);
            afterKill = left ? " (after the kill no read was left pending)"
                             : " (after the kill a pending read took a spare record)";
        }
        if (parsed && got.queued && got.injected && prompt && !got.timedOut &&
            got.output == expected && got.status == status) {
            Say("ok   %s\n", f[0].c_str());
            ++passed;
        } else {
            Say("FAIL %s\n  want status %08lx, output \"%s\"\n  got  status %08lx%s%s, "
                "output \"%s\"%s%s, after %lu ms\n",
                f[0].c_str(), static_cast<unsigned long>(status), Escape(expected).c_str(),
                static_cast<unsigned long>(got.status), got.timedOut ? " (timed out)" : "",
                afterKill, Escape(got.output).c_str(),
                parsed && got.queued ? "" : " (records not all queued)",
                got.injected ? "" : " (no second thread)",
                static_cast<unsigned long>(got.milliseconds));
            ++failed;
        }
    }
    // The console as it was found: a person's window goes on being used after the run.
    FlushConsoleInputBuffer(conin);
    SetConsoleMode(conin, mode);
    if (conout != INVALID_HANDLE_VALUE)
        SetConsoleMode(conout, outMode);
    Say("%d passed, %d failed\n", passed, failed);
    if (report)
        std::fclose(report);
    return failed ? 1 : 0;
}
