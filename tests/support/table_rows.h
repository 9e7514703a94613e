// The rows both layers with a scripted console (fake_console.h) run, through one body: the
// unit layer the programs' own code built natively, the emulated layer the built .exe files.
// First keycode's and keywait's rows of the case tables with no console named, or named
// `scripted`, read by the harness's own strict reader; then the rows no table can say, the
// failures only a stand-in can give and keywait on the scripted clock. A second thread changes
// nothing there: both layers fail a run that ends by returning rather than through ExitProcess.
// Include it in one file of each layer, which defines RunToExit.
#pragma once

#include "case_table.h"
#include "control/keywait.h"
#include "fake_console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Runs the program, "keycode" or "keywait", against `fake` to its ExitProcess and gives the
// status; a return from the entry point, or a fault, fails the test.
unsigned RunToExit(const std::string &program);

// One run on the scripted console and what it must give.
struct ScriptedRow {
    std::string name, program;              // program: keycode or keywait ("": a bad table)
    std::optional<std::string> commandLine; // none: GetCommandLineA gives null
    std::vector<ScriptedRead> reads = {};
    std::string output = {}; // keycode's on standard output, keywait's on standard error
    int status = 0;
    DWORD minMs = 0, maxMs = 0; // when the process ended, on the scripted clock
    int failingWrite = 0;       // as in FakeConsole
    DWORD clock = 1000;         // GetTickCount at the start
    bool consoleInput = true, unwritableOutput = false;
    std::string where = {}; // the table's line, for messages
};

// The record as the console stores it; other kinds filled like a key event, so that reading
// one as a key would show.
inline INPUT_RECORD ScriptedRecord(const CaseRecord &record)
{
    if (record.eventType != CASE_KEY_EVENT)
        return Other(record.eventType);
    return Key(static_cast<WORD>(record.vk), static_cast<unsigned char>(record.ch), record.state,
               record.down, static_cast<WORD>(record.repeat));
}

// A test name from the table, the line and the row's name: "display3_BannerThenEscEndsWith0".
inline std::string RowTestName(const CaseRow &row)
{
    std::string name = row.where.substr(0, row.where.find_first_of(". ")) +
                       row.where.substr(row.where.rfind(' ') + 1) + "_";
    bool upper = true;
    for (char c : row.name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = !std::isalnum(static_cast<unsigned char>(c));
    }
    return name;
}

// The table rows, in table and line order. A table that does not read cleanly or has fewer than
// six rows, or a row that needs a real console (Ctrl+Break), gives a row with no program, named
// for the fault, which the layers fail on.
inline std::vector<ScriptedRow> TableRows()
{
    std::vector<std::string> tables, errors;
    for (const auto &entry : std::filesystem::directory_iterator(CASE_TABLES))
        if (entry.path().extension() == ".cases")
            tables.push_back(entry.path().string());
    std::sort(tables.begin(), tables.end());
    std::vector<CaseRow> all;
    std::vector<ScriptedRow> rows;
    for (const std::string &table : tables) {
        const size_t before = all.size();
        ReadCaseTableFile(table, all, errors);
        if (all.size() < before + 6) // a table emptied or cut short by mistake
            errors.push_back(table + ": fewer than 6 rows");
    }
    if (tables.size() < 5)
        errors.push_back("fewer than 5 case tables in " CASE_TABLES);
    for (const CaseRow &row : all) {
        if (row.program == "cmd" || !(row.console.empty() || row.console == "scripted"))
            continue;
        if (row.ctrlBreak)
            errors.push_back(row.where + ": Ctrl+Break needs a real console: mark the row");
        ScriptedRow scripted{RowTestName(row), row.program == "keywait" ? "keywait" : "keycode",
                             CommandLineFor(row, "C:\\keys\\keycode.exe")};
        // Records after "@MS" come that long after the start.
        for (size_t i = 0; i < row.records.size(); ++i)
            scripted.reads.push_back(
                At(i >= row.delayedFrom ? row.delayMs : 0, ScriptedRecord(row.records[i])));
        scripted.output = row.output;
        scripted.status = static_cast<int>(row.status);
        scripted.minMs = row.timed ? row.minMs : 0;
        scripted.maxMs = row.timed ? row.maxMs : 0xFFFFFFFF;
        scripted.consoleInput = row.stdinKind == "console";
        scripted.unwritableOutput = row.stdoutKind == "unwritable";
        scripted.where = row.where;
        rows.push_back(scripted);
    }
    if (errors.empty() && !rows.empty())
        return rows;
    ScriptedRow bad;
    bad.name = "Tables";
    bad.where = errors.empty() ? "no keycode rows in " CASE_TABLES : errors[0];
    return {bad};
}

const DWORD WRAPS = 0xFFFFFF00; // GetTickCount 256 ms before it wraps to 0

// The rows a table cannot say: records the table format has no words for (a bKeyDown of 2, a
// read that fails or stores nothing, a write that fails, a null command line), and keywait's
// waits on the scripted clock (wakes, sleeps, a failing wait, the clock's wrap). Each ends
// between minMs and maxMs on that clock, at 0 where it gives neither.
// clang-format off
const ScriptedRow SCENARIOS[] = {
    {"NullCommandLineSetsNoOption", "keycode", std::nullopt, {A_UP, ESC_DOWN},
     std::string(BANNER) + " 2201b1b", 0},
    // The record as it holds it: a bKeyDown of 2 lands in bit 26, and is no press.
    {"KeyDownOf2PacksAsHeld", "keycode", "keycode /*", {Key('A', 'a', 0, 2)}, "", 0x04006141},
    {"KeyDownOf2IsNoPress", "keycode", "keycode *", {Key('A', 'a', 0, 2), A_DOWN}, "",
     0x02104141},
    {"ReadFailureAfterBannerEndsWithNoKey", "keycode", "keycode", {A_DOWN, READ_FAILS, ESC_DOWN},
     std::string(BANNER) + " 2104141", NO_KEY},
    {"ReadStoringNoRecordIsAFailure", "keycode", "keycode", {READ_STORES_NOTHING, ESC_DOWN},
     BANNER, NO_KEY},
    {"FailedBannerWriteIsIgnored", "keycode", "keycode", {A_DOWN, ESC_DOWN}, " 2104141 2201b1b",
     0, 0, 0, 1},
    {"FailedEscWriteEndsWithNoKeyNot0", "keycode", "keycode", {A_DOWN, ESC_DOWN},
     std::string(BANNER) + " 2104141", NO_KEY, 0, 0, 3},
    {"KeywaitKeepsItsDeadlineAcrossWakesThatAreNoKeys", "keywait", "keywait 350",
     {At(100, Other(FOCUS_EVENT)), At(200, A_UP), At(300, Other(MENU_EVENT)), At(400, A_DOWN)},
     "", KEY_TIMED_OUT, 350, 350},
    {"KeywaitReadFailingWhileItWaitsGivesNoKey", "keywait", "keywait 1000",
     {At(100, READ_FAILS)}, "", NO_KEY, 100, 100},
    {"KeywaitReadStoringNoRecordGivesNoKey", "keywait", "keywait 1000",
     {At(100, READ_STORES_NOTHING)}, "", NO_KEY, 100, 100},
    {"KeywaitWaitFailingGivesNoKey", "keywait", "keywait 1000", {WAIT_FAILS}, "", NO_KEY},
    {"KeywaitTimesOutAcrossTheClocksWrap", "keywait", "keywait 512",
     {At(0x180, Other(FOCUS_EVENT))}, "", KEY_TIMED_OUT, 512, 512, 0, WRAPS},
    {"KeywaitTakesAKeyAfterTheClocksWrap", "keywait", "keywait 512", {At(0x180, A_DOWN)}, "",
     0x02104141, 0x180, 0x180, 0, WRAPS},
    {"KeywaitRestsOnAWakeWithNothingToRead", "keywait", "keywait 200",
     {ScriptedRead(ScriptedRead::WAKE, 50, 120)}, "", KEY_TIMED_OUT, 200, 200},
    {"KeywaitTakesAKeyThatComesJustAfterAWakeWithNothingToRead", "keywait", "keywait 1000",
     {ScriptedRead(ScriptedRead::WAKE, 50, 120), At(130, A_DOWN)}, "", 0x02104141, 130, 150},
    {"KeywaitKeepsItsDeadlineAcrossASleep", "keywait", "keywait 5000",
     {ScriptedRead(ScriptedRead::SLEEP, 1500, 61500)}, "", KEY_TIMED_OUT, 62000, 62000},
};
// clang-format on

// Failures name the row by its table and line, or its name.
inline void PrintTo(const ScriptedRow &row, std::ostream *os)
{
    *os << (row.where.empty() ? row.name : row.where);
}

class ScriptedRowTest : public testing::TestWithParam<ScriptedRow> {};

TEST_P(ScriptedRowTest, WritesAndEndsAsTheRowSays)
{
    const ScriptedRow &row = GetParam();
    ASSERT_NE("", row.program) << row.where;
    fake = FakeConsole();
    fake.commandLine = row.commandLine ? row.commandLine->c_str() : nullptr;
    fake.reads = row.reads;
    fake.failingWrite = row.failingWrite;
    fake.consoleInput = row.consoleInput;
    fake.unwritableOutput = row.unwritableOutput;
    fake.start = fake.now = row.clock;

    const unsigned status = RunToExit(row.program);

    // keycode writes to standard output alone, keywait its usage to standard error alone.
    const bool keywait = row.program == "keywait";
    EXPECT_EQ(row.output, keywait ? fake.errors : fake.output);
    EXPECT_EQ("", keywait ? fake.output : fake.errors);
    EXPECT_EQ(static_cast<unsigned>(row.status), status) << std::hex;
    EXPECT_EQ(1, fake.commandLineCalls);
    const DWORD ended = fake.now - fake.start;
    EXPECT_TRUE(ended >= row.minMs && ended <= row.maxMs)
        << "ended at " << ended << " ms, not " << row.minMs << "-" << row.maxMs;
    // A wake with nothing to read rests rather than spins: one rest for every WAKE_REST_MS of
    // the wake at most.
    EXPECT_LE(fake.rests_done, 4);
}

inline std::string ScriptedRowName(const testing::TestParamInfo<ScriptedRow> &info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Tables, ScriptedRowTest, testing::ValuesIn(TableRows()), ScriptedRowName);
INSTANTIATE_TEST_SUITE_P(Scenarios, ScriptedRowTest, testing::ValuesIn(SCENARIOS), ScriptedRowName);
