// The built keycode.exe itself, on the emulated i386 with a scripted console: command line,
// queued records and kinds of standard input and output in; exact bytes and the full 32-bit
// exit status out.
#include "records.h"
#include "win32_emulator.h"

#include <gtest/gtest.h>

namespace {

const unsigned NO_KEY_STATUS = 0xFFFFFFFF;
const unsigned WAITS = 0xDEADBEEF; // still waiting for input: no status yet

struct Case {
    const char *name;
    const char *commandLine;
    std::vector<INPUT_RECORD> records;
    StdinKind in;
    StdoutKind out;
    bool banner;
    const char *shown;
    unsigned status;
};

// One row per scenario reads best as a table.
// clang-format off
const Case CASES[] = {
    {"BannerThenWaits", "keycode", {}, CONSOLE_INPUT, WRITABLE_OUTPUT, true, "", WAITS},
    {"WorkedExamples", "keycode", {A_DOWN, Key(0xDE, 0x84, 0), ESC_DOWN}, CONSOLE_INPUT,
     WRITABLE_OUTPUT, true, " 2104141 20084de 2201b1b", 0},
    {"ReleasesDroppedWithoutSlash", "keycode", {A_UP, A_DOWN, A_UP, ESC_UP}, CONSOLE_INPUT,
     WRITABLE_OUTPUT, true, " 2104141", WAITS},
    {"ReleasesShownWithSlash", "keycode /", {A_DOWN, A_UP, ESC_UP}, CONSOLE_INPUT,
     WRITABLE_OUTPUT, true, " 2104141 0104141 0001b1b", 0},
    {"SlashInOwnPath", "C:/tools/keycode.exe", {A_UP, ESC_DOWN}, CONSOLE_INPUT,
     WRITABLE_OUTPUT, true, " 0104141 2201b1b", 0},
    {"OtherEventsSkippedRepeatCountedOnce", "keycode",
     {Other(MOUSE_EVENT), Other(FOCUS_EVENT), Other(MENU_EVENT), Other(WINDOW_BUFFER_SIZE_EVENT),
      Key('A', 'a', 0, 1, 3), ESC_DOWN},
     CONSOLE_INPUT, WRITABLE_OUTPUT, true, " 2006141 2201b1b", 0},
    {"HighCharacterAllFlags", "keycode", {Key('A', 0xFF, 0x1FF), ESC_DOWN}, CONSOLE_INPUT,
     WRITABLE_OUTPUT, true, " 3ffff41 2201b1b", 0},
    {"EscDecidedByKeyCodeOnly", "keycode", {Key(0xDB, 0x1B, LEFT_CTRL), Key(0x1B, 0, 0)},
     CONSOLE_INPUT, WRITABLE_OUTPUT, true, " 2081bdb 200001b", 0},
    {"ReturnModeWaitsForPress", "keycode \"x*\"", {A_UP, Key('B', 'b', RIGHT_ALT)},
     CONSOLE_INPUT, WRITABLE_OUTPUT, false, "", 0x02016242},
    {"ReturnModeEscIsItsValue", "*", {ESC_DOWN}, CONSOLE_INPUT, WRITABLE_OUTPUT, false, "",
     0x02201B1B},
    {"ReturnModeWithSlashTakesRelease", "keycode /*", {ESC_UP}, CONSOLE_INPUT, WRITABLE_OUTPUT,
     false, "", 0x00001B1B},
    {"StdinFile", "keycode", {A_DOWN}, FILE_INPUT, WRITABLE_OUTPUT, true, "", NO_KEY_STATUS},
    {"StdinPipeReturnMode", "keycode *", {A_DOWN}, PIPE_INPUT, WRITABLE_OUTPUT, false, "",
     NO_KEY_STATUS},
    {"StdinNul", "keycode", {}, NUL_INPUT, WRITABLE_OUTPUT, true, "", NO_KEY_STATUS},
    {"StdoutUnwritableEndsAtFirstKey", "keycode", {A_UP, A_DOWN, ESC_DOWN}, CONSOLE_INPUT,
     UNWRITABLE_OUTPUT, false, "", NO_KEY_STATUS},
    {"StdoutUnwritableReturnModeUnaffected", "*", {A_DOWN}, CONSOLE_INPUT, UNWRITABLE_OUTPUT,
     false, "", 0x02104141},
};
// clang-format on

// Failures name the row, not its bytes.
void PrintTo(const Case &row, std::ostream *os)
{
    *os << row.name;
}

class KeycodeExeTest : public testing::TestWithParam<Case> {};

TEST_P(KeycodeExeTest, WritesAndEndsAsExpected)
{
    const Case &c = GetParam();
    Launch launch;
    launch.commandLine = c.commandLine;
    launch.records = c.records;
    launch.stdinKind = c.in;
    launch.stdoutKind = c.out;

    const Win32Run run = RunWin32(KEYCODE_EXE, launch);

    ASSERT_EQ("", run.error);
    EXPECT_EQ((c.banner ? std::string(BANNER) : "") + c.shown, run.output);
    EXPECT_EQ(c.status, run.waiting ? WAITS : run.status) << std::hex;
    EXPECT_EQ(1, run.getCommandLineCalls);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeycodeExeTest, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<Case> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
