// The case tables (*.cases): one row a line, eight fields split by '|':
//   name | program | command line | stdin | stdout | records | output | status
// program: keycode, keycode+thread (a second thread sleeps in keycode's process), keywait
// (keywait.exe, beside keycode.exe) or cmd (the command line as it stands: cmd.exe, or the
// stand-in);
// "@wine" or "@windows" after it: the row is for that console alone, where the two differ by
// design (the harness skips it on the other and counts it as skipped); "@scripted", on a
// keycode or keywait row: for the scripted consoles of the unit and emulated layers alone,
// records no real console is known to give, or times only a scripted clock keeps to the ms.
// keycode and keywait rows with no console named run on those two layers and on the real one.
// stdin: console, file, pipe or nul. stdout: pipe or unwritable.
// records, split by spaces: k+VK:CHAR:STATE a press (hex; "*N" after it, a repeat count),
// k-VK:CHAR:STATE a release, m f u w a mouse, focus, menu or buffer-size record; b, no
// record: Ctrl+Break raised for the program alone once it waits; @MS, no record: the records
// after it are written MS ms (decimal) after the program started.
// output: the bytes wanted, with {banner}, \r, \n, \\ and \xHH. status: the exit status in hex;
// "@MIN-MAX" after it (decimal ms): the program ended not before MIN ms after it started and
// not after MAX, a loose bound on a behaviour, not a speed.
// Two more fields, output|status again, name a second allowed result, on a row marked
// @windows alone, where the console host's build decides what a program gets; the harness
// says which of the two it met.
// {keycode/} in a command line is keycode.exe's full path with forward slashes.
// The reader is strict: a row with a field it does not know stops the run, named.
// Plain C++ with no Windows headers, so that the tables are checked on the build machine too.
#pragma once

#include <string>
#include <vector>

// The console's event types, as its input record numbers them.
enum CaseEventType : unsigned short {
    CASE_KEY_EVENT = 0x0001,
    CASE_MOUSE_EVENT = 0x0002,
    CASE_WINDOW_BUFFER_SIZE_EVENT = 0x0004,
    CASE_MENU_EVENT = 0x0008,
    CASE_FOCUS_EVENT = 0x0010,
};

// The most a row's delay or time bound may say, in ms: below the harness's bound on a row.
const unsigned long CASE_BOUND_MAX_MS = 50000;

struct CaseRecord {
    CaseEventType eventType; // the members below count for a key event alone
    bool down;
    unsigned vk, ch, state, repeat;
};

struct CaseRow {
    std::string where; // "TABLE line N", for messages
    std::string name, program, commandLine, stdinKind, stdoutKind;
    std::string console; // empty for every console, else "wine" or "windows"
    std::vector<CaseRecord> records;
    bool ctrlBreak = false;
    size_t delayedFrom = 0;    // records from this one on are written late, with a delay
    unsigned long delayMs = 0; // the delay, 0 for none
    std::string output;
    unsigned long status;
    bool timed = false; // the row bounds when the program ended
    unsigned long minMs = 0, maxMs = 0;
    bool hasSecond = false; // a second allowed result, in fields 9 and 10
    std::string secondOutput;
    unsigned long secondStatus = 0;
};

// The fields of a line split at each `by`, empty ones kept.
std::vector<std::string> Split(const std::string &line, char by);

// One token of a row's records field, as the tables write it; false where it is none of them.
bool ParseCaseRecord(const std::string &token, CaseRecord &record);

// Adds the rows of one table's text to rows; each problem found adds one line to errors,
// naming the table, the line, the row and the field.
void ReadCaseTable(const std::string &table, const std::string &text, std::vector<CaseRow> &rows,
                   std::vector<std::string> &errors);

// The row's command line with each {keycode/} as the path given, written with forward slashes.
std::string CommandLineFor(const CaseRow &row, std::string keycodePath);

// The same for the table in the file at path, named in messages by its file name; a file that
// cannot be read is an error too.
void ReadCaseTableFile(const std::string &path, std::vector<CaseRow> &rows,
                       std::vector<std::string> &errors);
