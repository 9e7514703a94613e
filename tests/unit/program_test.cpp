// The program's own code against the scripted console: one row per scenario, command line
// and reads in, bytes written and exit status out. The rows are the loop's order of tests and
// what a real console cannot be made to do; the built .exe has its own table of scenarios.
#include "control/program.h"
#include "fake_console.h"

#include <gtest/gtest.h>

namespace {

struct Scenario {
    const char *name;
    const char *commandLine;
    std::vector<ScriptedRead> reads;
    int failingWrite;
    bool banner;       // output starts with the banner
    const char *shown; // then these bytes
    int status;
};

// A scenario is a row: a new case is one line, and every case meets the same checks.
// clang-format off
const Scenario SCENARIOS[] = {
    {"PressShownReleaseDroppedEscEndsWith0", "keycode", {A_DOWN, A_UP, ESC_DOWN}, 0, true,
     " 2104141 2201b1b", 0},
    {"SlashShowsReleases", "keycode /", {A_DOWN, A_UP, ESC_DOWN}, 0, true,
     " 2104141 0104141 2201b1b", 0},
    {"EscReleaseShownWithSlashEndsWith0", "keycode a/b", {ESC_UP, A_DOWN}, 0, true,
     " 0001b1b", 0},
    {"NullCommandLineSetsNoOption", nullptr, {A_UP, ESC_DOWN}, 0, true, " 2201b1b", 0},
    {"ReturnModeSkipsReleasesAndReturnsFirstPress", "keycode *", {A_UP, A_DOWN}, 0, false,
     "", 0x02104141},
    {"ReturnModeWithSlashReturnsRelease", "keycode */", {A_UP, A_DOWN}, 0, false, "",
     0x00104141},
    {"ReturnModeHandsBackEsc", "*", {ESC_DOWN}, 0, false, "", 0x02201B1B},
    {"EscCharacterWithOtherKeyCodeGoesOn", "keycode", {Key(0xDB, 0x1B, LEFT_CTRL), ESC_DOWN}, 0,
     true, " 2081bdb 2201b1b", 0},
    {"StateAboveBit15FallsOff", "*", {Key('A', 'a', 0x00810000 | NUMLOCK)}, 0, false, "",
     0x02206141},
    {"RecordPackingToNoKeyIsDropped", "*", {Key(0xFF, 0xFF, 0xFFFF), A_DOWN}, 0, false, "",
     0x02104141},
    {"ReadFailureAfterBannerEndsWithNoKey", "keycode", {A_DOWN, READ_FAILS, ESC_DOWN}, 0, true,
     " 2104141", NO_KEY},
    {"ReadStoringNoRecordIsAFailure", "keycode", {READ_STORES_NOTHING, ESC_DOWN}, 0, true, "",
     NO_KEY},
    {"ReturnModeReadFailureWritesNothing", "*", {READ_FAILS}, 0, false, "", NO_KEY},
    {"FailedBannerWriteIsIgnored", "keycode", {A_DOWN, ESC_DOWN}, 1, false, " 2104141 2201b1b",
     0},
    {"FailedKeyWriteEndsWithNoKey", "keycode", {A_DOWN, ESC_DOWN}, 2, true, "", NO_KEY},
    {"FailedEscWriteEndsWithNoKeyNot0", "keycode", {A_DOWN, ESC_DOWN}, 3, true, " 2104141",
     NO_KEY},
    {"ReturnModeNeverWrites", "*", {A_DOWN}, 1, false, "", 0x02104141},
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

    unsigned status = 0;
    try {
        ProgramEntry(); // never returns: the stand-in's ExitProcess throws
    } catch (const ProcessExit &exit) {
        status = exit.status;
    }

    EXPECT_EQ((s.banner ? std::string(BANNER) : "") + s.shown, fake.output);
    EXPECT_EQ(static_cast<unsigned>(s.status), status) << std::hex;
    EXPECT_EQ(1, fake.commandLineCalls);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ProgramEntryTest, testing::ValuesIn(SCENARIOS),
                         [](const testing::TestParamInfo<Scenario> &info) {
                             return std::string(info.param.name);
                         });

// Every value that can show, against an independent formula: a space, then bits 27-0 as
// seven lowercase hex digits. Bits 28-31 are filled with a varying pattern that must not show.
TEST(WriteKeyValueTest, DisplayFormOfEveryShowableValue)
{
    static const char HEX[] = "0123456789abcdef";
    fake = FakeConsole();
    for (unsigned low = 0; low < 1u << 28; ++low) {
        const unsigned value = low | (low * 0x9E3779B1u) << 28;
        if (static_cast<int>(value) == NO_KEY)
            continue;
        char expected[8] = {' '};
        for (int i = 0; i < 7; ++i)
            expected[7 - i] = HEX[low >> 4 * i & 15];
        fake.output.clear();
        ASSERT_TRUE(WriteKeyValue(static_cast<KeyValue>(value)));
        ASSERT_EQ(std::string(expected, 8), fake.output) << std::hex << "value 0x" << value;
    }
}

TEST(WriteKeyValueTest, NoKeySelectsTheBanner)
{
    fake = FakeConsole();
    EXPECT_TRUE(WriteKeyValue(NO_KEY));
    EXPECT_EQ(std::string(BANNER), fake.output);
}

} // namespace
