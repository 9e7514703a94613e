// The programs' own code against the scripted console. keycode's rows of the case tables run
// here first; then the rows a table cannot say, one per scenario, command line and reads in,
// bytes written and exit status out: the failures only a stand-in can produce, and keywait,
// on the scripted clock from `clock` on, with when it ended.
#include "control/keywait.h"
#include "control/program.h"
#include "fake_console.h"
#include "table_rows.h"

#include <gtest/gtest.h>

namespace {

// Runs an entry point to its ExitProcess; a return is a failure, as it is for a process where
// another thread lives.
unsigned RunEntry(void (*entry)())
{
    try {
        entry(); // never returns: the stand-in's ExitProcess throws
    } catch (const ProcessExit &exit) {
        return exit.status;
    }
    ADD_FAILURE() << "returned instead of calling ExitProcess";
    return 0;
}

TEST_P(TableRowTest, WritesAndEndsAsTheRowSays)
{
    const CaseRow &row = GetParam();
    ASSERT_NE("", row.program) << row.name;
    fake = FakeConsole();
    const std::string line = CommandLineFor(row, "C:\\keys\\keycode.exe");
    fake.commandLine = line.c_str();
    for (const CaseRecord &record : row.records)
        fake.reads.push_back(ScriptedRecord(record));
    fake.consoleInput = row.stdinKind == "console";
    fake.unwritableOutput = row.stdoutKind == "unwritable";

    const unsigned status = RunEntry(ProgramEntry);

    EXPECT_EQ(row.output, fake.output) << row.where;
    EXPECT_EQ(row.status, status) << std::hex << row.where;
}

struct Scenario {
    const char *name;
    const char *commandLine;
    std::vector<ScriptedRead> reads;
    int failingWrite;
    bool banner;       // output starts with the banner
    const char *shown; // then these bytes
    int status;
    void (*entry)() = ProgramEntry;
    DWORD clock = 0;         // GetTickCount at the start
    DWORD endsAt = 0;        // ms on the clock when the process ended
    const char *errors = ""; // written to standard error
};

const char KEYWAIT_USAGE[] = "usage: keywait MS [/]  (MS: 0 to 2147483647)\r\n";
const DWORD WRAPS = 0xFFFFFF00; // GetTickCount 256 ms before it wraps to 0

// A scenario is a row: a new case is one line, and every case meets the same checks.
// clang-format off
const Scenario SCENARIOS[] = {
    {"NullCommandLineSetsNoOption", nullptr, {A_UP, ESC_DOWN}, 0, true, " 2201b1b", 0},
    // The record as it holds it: a bKeyDown of 2 lands in bit 26, and is no press.
    {"KeyDownOf2PacksAsHeld", "keycode /*", {Key('A', 'a', 0, 2)}, 0, false, "", 0x04006141},
    {"KeyDownOf2IsNoPress", "keycode *", {Key('A', 'a', 0, 2), A_DOWN}, 0, false, "",
     0x02104141},
    {"ReadFailureAfterBannerEndsWithNoKey", "keycode", {A_DOWN, READ_FAILS, ESC_DOWN}, 0, true,
     " 2104141", NO_KEY},
    {"ReadStoringNoRecordIsAFailure", "keycode", {READ_STORES_NOTHING, ESC_DOWN}, 0, true, "",
     NO_KEY},
    {"FailedBannerWriteIsIgnored", "keycode", {A_DOWN, ESC_DOWN}, 1, false, " 2104141 2201b1b",
     0},
    {"FailedEscWriteEndsWithNoKeyNot0", "keycode", {A_DOWN, ESC_DOWN}, 3, true, " 2104141",
     NO_KEY},
    // keywait: keycode's return mode with a time limit.
    {"KeywaitTakesAQueuedKeyAtOnce", "keywait 5000", {A_DOWN}, 0, false, "", 0x02104141,
     KeyWaitEntry, 1000, 0},
    {"KeywaitZeroPassesOverOthersAndReleasesToAWaitingKey", "keywait 0",
     {Other(FOCUS_EVENT), A_UP, Key(0xFF, 0xFF, 0xFFFF), ESC_DOWN}, 0, false, "", 0x02201B1B,
     KeyWaitEntry, 1000, 0},
    {"KeywaitZeroOnAnEmptyBufferGivesUpAtOnce", "keywait 0", {}, 0, false, "", KEY_TIMED_OUT,
     KeyWaitEntry, 1000, 0},
    {"KeywaitKeepsItsDeadlineAcrossWakesThatAreNoKeys", "keywait 350",
     {At(100, Other(FOCUS_EVENT)), At(200, A_UP), At(300, Other(MENU_EVENT)), At(400, A_DOWN)},
     0, false, "", KEY_TIMED_OUT, KeyWaitEntry, 1000, 350},
    {"KeywaitEndsWithAKeyThatComesWhileItWaits", "keywait 1000", {At(250, A_DOWN)}, 0, false,
     "", 0x02104141, KeyWaitEntry, 1000, 250},
    {"KeywaitWithSlashTakesARelease", "keywait / 1000", {At(50, A_UP)}, 0, false, "",
     0x00104141, KeyWaitEntry, 1000, 50},
    {"KeywaitReadFailingWhileItWaitsGivesNoKey", "keywait 1000", {At(100, READ_FAILS)}, 0,
     false, "", NO_KEY, KeyWaitEntry, 1000, 100},
    {"KeywaitReadStoringNoRecordGivesNoKey", "keywait 1000", {At(100, READ_STORES_NOTHING)}, 0,
     false, "", NO_KEY, KeyWaitEntry, 1000, 100},
    {"KeywaitWaitFailingGivesNoKey", "keywait 1000", {WAIT_FAILS}, 0, false, "", NO_KEY,
     KeyWaitEntry, 1000, 0},
    {"KeywaitInputNotAConsoleGivesNoKey", "keywait 1000", {COUNT_FAILS}, 0, false, "", NO_KEY,
     KeyWaitEntry, 1000, 0},
    {"KeywaitTimesOutAcrossTheClocksWrap", "keywait 512", {At(0x180, Other(FOCUS_EVENT))}, 0,
     false, "", KEY_TIMED_OUT, KeyWaitEntry, WRAPS, 512},
    {"KeywaitTakesAKeyAfterTheClocksWrap", "keywait 512", {At(0x180, A_DOWN)}, 0, false, "",
     0x02104141, KeyWaitEntry, WRAPS, 0x180},
    {"KeywaitRestsOnAWakeWithNothingToRead", "keywait 200",
     {ScriptedRead(ScriptedRead::WAKE, 50, 120)}, 0, false, "", KEY_TIMED_OUT, KeyWaitEntry, 1000,
     200},
    {"KeywaitTakesAKeyThatComesAtTheDeadline", "keywait 300", {At(300, A_DOWN)}, 0, false, "",
     0x02104141, KeyWaitEntry, 1000, 300},
    {"KeywaitLeavesAKeyThatComesAfterTheDeadline", "keywait 300", {At(301, A_DOWN)}, 0, false,
     "", KEY_TIMED_OUT, KeyWaitEntry, 1000, 300},
    {"KeywaitKeepsItsDeadlineAcrossASleep", "keywait 5000",
     {ScriptedRead(ScriptedRead::SLEEP, 1500, 61500)}, 0, false, "", KEY_TIMED_OUT, KeyWaitEntry,
     1000, 62000},
    {"KeywaitBadTimeGivesUsageOnStderr", "keywait 10s", {A_DOWN}, 0, false, "", BAD_USAGE,
     KeyWaitEntry, 1000, 0, KEYWAIT_USAGE},
};
// clang-format on

// Failures name the row, not its bytes.
void PrintTo(const Scenario &row, std::ostream *os)
{
    *os << row.name;
}

class ProgramEntryTest : public testing::TestWithParam<Scenario> {};

TEST_P(ProgramEntryTest, WritesAndEndsAsExpected)
{
    const Scenario &s = GetParam();
    fake = FakeConsole();
    fake.commandLine = s.commandLine;
    fake.reads = s.reads;
    fake.failingWrite = s.failingWrite;
    fake.start = fake.now = s.clock;

    const unsigned status = RunEntry(s.entry);

    EXPECT_EQ((s.banner ? std::string(BANNER) : "") + s.shown, fake.output);
    EXPECT_EQ(static_cast<unsigned>(s.status), status) << std::hex;
    EXPECT_EQ(1, fake.commandLineCalls);
    EXPECT_EQ(s.endsAt, fake.now - fake.start);
    EXPECT_EQ(s.errors, fake.errors);
    // A wake with nothing to read rests rather than spins: one rest for every WAKE_REST_MS of
    // the wake at most.
    EXPECT_LE(fake.rests_done, 4);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ProgramEntryTest, testing::ValuesIn(SCENARIOS),
                         [](const testing::TestParamInfo<Scenario> &info) {
                             return std::string(info.param.name);
                         });

// keywait's command line: its own name by Windows' rule for the first argument, then the time
// and '/' in either order. Every line that is not one gets the usage.
TEST(GetWaitArgumentsTest, CommandLines)
{
    const unsigned R = KEY_DOWN_FLAG;
    const struct {
        const char *line;
        bool valid;
        DWORD limit;
        unsigned releases;
    } LINES[] = {
        {"keywait 500", true, 500, 0},
        {"keywait 0", true, 0, 0},
        {"keywait / 500", true, 500, R},
        {"keywait\t500\t/  ", true, 500, R},
        {"keywait 2147483647", true, 2147483647, 0},
        {"keywait 0002147483647", true, 2147483647, 0},
        {"keywait \"500\" \"/\"", true, 500, R},
        {"\"C:\\keys 2/x\\keywait.exe\" 7", true, 7, 0},
        {"C:/keys2/keywait 7", true, 7, 0},
        {"\"C:\\keywait\"9", false, 0, 0},
        {"\"C:\\My Tools\\\"keywait.exe 500", true, 500, 0},
        {"C:\\\"My Tools\"\\keywait 5 /", true, 5, R},
        {"keywait", false, 0, 0},
        {"\"C:\\keys 2\\keywait 5", false, 0, 0},
        {nullptr, false, 0, 0},
        {"keywait /", false, 0, 0},
        {"keywait 2147483648", false, 0, 0},
        {"keywait 4294967306", false, 0, 0},
        {"keywait abc", false, 0, 0},
        {"keywait 1x", false, 0, 0},
        {"keywait 10s", false, 0, 0},
        {"keywait +5", false, 0, 0},
        {"keywait -5", false, 0, 0},
        {"keywait 5 6", false, 0, 0},
        {"keywait 5/", false, 0, 0},
        {"keywait //", false, 0, 0},
        {"keywait 5 -", false, 0, 0},
    };
    for (const auto &row : LINES) {
        const char *line = row.line ? row.line : "(null)";
        DWORD limit = 12345;
        unsigned releases = 0;
        ASSERT_EQ(row.valid, GetWaitArguments(row.line, limit, releases)) << line;
        if (row.valid) {
            EXPECT_TRUE(limit == row.limit && releases == row.releases)
                << line << ": " << limit << ", " << releases;
        }
    }
}

TEST(WriteKeyValueTest, NoKeySelectsTheBanner)
{
    fake = FakeConsole();
    EXPECT_TRUE(WriteKeyValue(NO_KEY));
    EXPECT_EQ(std::string(BANNER), fake.output);
}

} // namespace
