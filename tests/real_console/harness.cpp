// Drives programs on a real console, Wine's or Windows' own: for each row of the case tables
// it empties the console's input buffer, puts the row's key records into it with
// WriteConsoleInputA, starts the program on that console with its standard output on a pipe,
// and compares the bytes it wrote and its full 32-bit exit status with the row's. A table with
// a row it cannot read stops the run before any row is run. Each row runs under run_row.h's
// code pages and input mode; a row marked for the other console is skipped and counted.
// Built with mingw-w64.
// Usage: harness.exe KEYCODE.EXE REPORT-FILE CASES-FILE-OR-PATTERN...
#include <windows.h>

#include "case_table.h"
#include "run_row.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

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
// something else than it says. A name with * or ? stands for every table it matches
// (run.cmd gives cases\*.cases), in the order of their names.
bool ReadTables(int count, char **names, std::vector<CaseRow> &rows)
{
    std::vector<std::string> errors;
    for (int i = 0; i < count; ++i) {
        const std::string name = names[i];
        if (name.find_first_of("*?") == std::string::npos) {
            ReadCaseTableFile(name, rows, errors);
            continue;
        }
        const size_t slash = name.find_last_of("/\\");
        const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
        std::vector<std::string> matches;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(name.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                matches.push_back(folder + found.cFileName);
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        if (matches.empty())
            errors.push_back("no case table matches " + name);
        std::sort(matches.begin(), matches.end());
        for (const std::string &match : matches)
            ReadCaseTableFile(match, rows, errors);
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

// Variables that rows set inside their own cmd.exe, and every one whose name begins with KEY,
// which "set KEY" lists: a value the caller left would change what the examples do or show.
void ClearRowVariables()
{
    std::vector<std::string> names = {"YESNO", "MENU", "STANDIN_STATUS"};
    if (char *block = GetEnvironmentStringsA()) {
        for (const char *entry = block; *entry; entry += std::strlen(entry) + 1)
            if (_strnicmp(entry, "KEY", 3) == 0)
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

// A temporary folder of this run's own, named with its process id, which the rows' programs
// get as TEMP and TMP and the scratch file goes to: two kits run at once, on two consoles,
// would otherwise write over each other's files. A name already taken (a run that died, its
// process id used again) gets a number after it. Wide, so that a temporary folder outside the
// ANSI code page works too. Empty where it could not be made.
std::wstring OwnTempFolder()
{
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (!length || length >= MAX_PATH)
        return L"";
    const std::wstring stem =
        std::wstring(temp) + L"keycode-harness-" + std::to_wstring(GetCurrentProcessId());
    for (int n = 0; n < 100; ++n) {
        const std::wstring folder = n ? stem + L"-" + std::to_wstring(n) : stem;
        if (CreateDirectoryW(folder.c_str(), 0)) {
            SetEnvironmentVariableW(L"TEMP", folder.c_str());
            SetEnvironmentVariableW(L"TMP", folder.c_str());
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return L"";
}

// The folder and what rows left in it; a link to a folder is removed, not followed.
void RemoveFolder(const std::wstring &folder)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName, path = folder + L"\\" + name;
            const DWORD attributes = found.dwFileAttributes;
            if (name == L"." || name == L"..")
                continue;
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); // a read-only file
                DeleteFileW(path.c_str());
            } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveDirectoryW(path.c_str());
            else
                RemoveFolder(path);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// What a program wrote, or a row wants, quoted and escaped, and cut where it runs long.
std::string Shown(const std::string &bytes)
{
    const size_t shown = 400;
    std::string out = "\"";
    char hex[8];
    for (unsigned char c : bytes.substr(0, shown)) {
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
    out += "\"";
    if (bytes.size() > shown)
        out += "... (" + std::to_string(bytes.size()) + " bytes in all)";
    return out;
}

// run_row.h's code pages and input mode, set before each row. Empty, or what could not be set.
std::string SetRowConsole(HANDLE conin)
{
    if (!SetConsoleCP(ROW_CODE_PAGE) || !SetConsoleOutputCP(ROW_CODE_PAGE))
        return "code page " + std::to_string(ROW_CODE_PAGE) + " could not be set (error " +
               std::to_string(GetLastError()) + ")";
    if (!SetConsoleMode(conin, ROW_INPUT_MODE))
        return "the input mode could not be set (error " + std::to_string(GetLastError()) + ")";
    return "";
}

// One row: run, then one line "ok NAME", or "FAIL NAME" with every reason and what was
// wanted and got.
bool Check(const CaseRow &row, const std::string &keycodePath, HANDLE conin)
{
    ClearRowVariables();
    std::vector<std::string> why;
    const std::string unset = SetRowConsole(conin);
    if (!unset.empty())
        why.push_back(unset);
    FlushConsoleInputBuffer(conin);
    const Outcome got = Run(row, keycodePath, conin);
    if (!got.started.empty())
        why.push_back(row.program + " " + got.started);
    // Outside a job of its own, a program the row's program started outlives a timeout.
    const std::string noJob = got.jobError ? "not in a job of its own (error " +
                                                 std::to_string(got.jobError) +
                                                 "), so what it started outlives a timeout"
                                           : "";
    if (got.timedOut)
        why.push_back("timed out after " + std::to_string(CASE_TIMEOUT_MS / 1000) + " s, " +
                      AfterKill(conin) + (noJob.empty() ? "" : "; " + noJob));
    if (got.outlivedKill)
        why.push_back("still running " + std::to_string(KILL_BOUND_MS / 1000) +
                      " s after it was ended");
    if (got.queued != row.records.size())
        why.push_back(std::to_string(got.queued) + " of " + std::to_string(row.records.size()) +
                      " records queued");
    if (!got.injected)
        why.push_back("no second thread");
    if (got.signalError)
        why.push_back("Ctrl+Break could not be raised (error " + std::to_string(got.signalError) +
                      ")");
    if (row.timed && (got.milliseconds < row.minMs || got.milliseconds > row.maxMs))
        why.push_back("ended after " + std::to_string(got.milliseconds) + " ms, not within " +
                      std::to_string(row.minMs) + "-" + std::to_string(row.maxMs));
    if (row.program == "keycode+thread" && got.milliseconds > SECOND_THREAD_BOUND_MS)
        why.push_back("with a second thread it took more than " +
                      std::to_string(SECOND_THREAD_BOUND_MS) + " ms");
    // A row for Windows' console may allow a second result, where the host's build decides;
    // it says which it met.
    const bool second = row.hasSecond && got.status == row.secondStatus &&
                        got.output == row.secondOutput && !got.outputCut;
    if (got.status != row.status && !second)
        why.push_back("status differs");
    if (got.output != row.output && !second)
        why.push_back(got.outputCut ? "output differs (more than 1 MiB written)"
                                    : "output differs");
    if (why.empty()) {
        const char *which = second ? ": the second of its results" : ": the first of its results";
        Say("ok   %s%s\n", row.name.c_str(), row.hasSecond ? which : "");
        if (!noJob.empty())
            Say("  note: %s\n", noJob.c_str());
        return true;
    }
    std::string reasons;
    for (const std::string &reason : why)
        reasons += (reasons.empty() ? "" : "; ") + reason;
    Say("FAIL %s (%s)\n  why:  %s\n  want status %08lx, output %s\n", row.name.c_str(),
        row.where.c_str(), reasons.c_str(), row.status, Shown(row.output).c_str());
    if (row.hasSecond)
        Say("  or   status %08lx, output %s\n", row.secondStatus, Shown(row.secondOutput).c_str());
    Say("  got  status %08lx, output %s, after %lu ms\n", static_cast<unsigned long>(got.status),
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
    Say("console %s, input mode 0x%lx, code pages %u in and %u out; rows run at 437, input mode "
        "0x%lx; %s\n",
        made ? "made for the cases" : "found", static_cast<unsigned long>(mode), inputCp, outputCp,
        static_cast<unsigned long>(ROW_INPUT_MODE), platform.c_str());
    std::vector<CaseRow> rows;
    if (!ReadTables(argc - 3, argv + 3, rows))
        return 1;
    const std::wstring temp = OwnTempFolder();
    if (temp.empty()) {
        Say("no folder of its own in the temporary folder (error %lu)\n0 passed, 1 failed\n",
            static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    const std::string keycodePath = FullPath(argv[1]);
    const char *here = wine ? "wine" : "windows";
    int passed = 0, failed = 0, skipped = 0;
    for (const CaseRow &row : rows) {
        if (!row.console.empty() && row.console != here) {
            Say("skip %s (%s): for the %s console alone\n", row.name.c_str(), row.where.c_str(),
                row.console.c_str());
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
    RemoveFolder(temp);
    Say("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    if (report)
        std::fclose(report);
    return failed ? 1 : 0;
}
