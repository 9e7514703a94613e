// The built keycode.exe itself, on the emulated i386 with a scripted console: command line,
// queued records and kinds of standard input and output in; exact bytes and the full 32-bit
// exit status out.
#include "records.h"
#include "win32_emulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

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

// A scenario is a row: a new case is one line, and every case meets the same checks.
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

// The built file against the packing rule on a large random sample: every virtual-key code,
// character byte, control state, press or release, with other kinds of record in between and
// junk in the byte above the character, which the program must not read. The expected bytes
// are worked out here from the record alone. KEYCODE_SEED=N repeats a run.
struct RandomRecords {
    std::mt19937 random;
    explicit RandomRecords(unsigned seed) : random(seed) {}
    unsigned Below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(random); }

    INPUT_RECORD Next(bool keyOnly = false)
    {
        INPUT_RECORD record{};
        unsigned char *bytes = reinterpret_cast<unsigned char *>(&record);
        for (size_t i = 0; i < sizeof record; ++i)
            bytes[i] = static_cast<unsigned char>(Below(256));
        static const WORD OTHERS[] = {MOUSE_EVENT, WINDOW_BUFFER_SIZE_EVENT, MENU_EVENT,
                                      FOCUS_EVENT};
        if (!keyOnly && Below(4) == 0) {
            record.EventType = OTHERS[Below(4)];
            return record;
        }
        record.EventType = KEY_EVENT;
        KEY_EVENT_RECORD &key = record.Event.KeyEvent;
        key.bKeyDown = Below(2);
        key.wRepeatCount = static_cast<WORD>(1 + Below(4));
        do
            key.wVirtualKeyCode = static_cast<WORD>(Below(256));
        while (key.wVirtualKeyCode == VK_ESCAPE); // Esc only where a row puts it
        key.dwControlKeyState = Below(0x200);
        return record;
    }
};

bool IsKey(const INPUT_RECORD &record)
{
    return record.EventType == KEY_EVENT;
}

unsigned Packed(const INPUT_RECORD &record)
{
    const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    return (key.bKeyDown ? 1u << 25 : 0) | key.dwControlKeyState << 16 |
           (key.uChar.UnicodeChar & 0xFFu) << 8 | key.wVirtualKeyCode;
}

unsigned Seed()
{
    const char *given = std::getenv("KEYCODE_SEED");
    const unsigned seed =
        given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : std::random_device()();
    std::printf("KEYCODE_SEED=%u\n", seed);
    return seed;
}

TEST(KeycodeExeRandom, ShowsEveryRecordByThePackingRule)
{
    const unsigned seed = Seed();
    SCOPED_TRACE("KEYCODE_SEED=" + std::to_string(seed));
    RandomRecords random(seed);
    Launch launch;
    for (int i = 0; i < 100000; ++i)
        launch.records.push_back(random.Next());
    INPUT_RECORD esc = random.Next(true);
    esc.Event.KeyEvent.bKeyDown = 1;
    esc.Event.KeyEvent.wVirtualKeyCode = VK_ESCAPE;
    launch.records.push_back(esc);
    for (const bool releases : {false, true}) {
        launch.commandLine = releases ? "keycode /" : "keycode";
        SCOPED_TRACE(launch.commandLine);
        std::string expected = BANNER;
        char form[16];
        for (const INPUT_RECORD &record : launch.records)
            if (IsKey(record) && (releases || record.Event.KeyEvent.bKeyDown)) {
                std::snprintf(form, sizeof form, " %07x", Packed(record));
                expected += form;
            }
        const Win32Run run = RunWin32(KEYCODE_EXE, launch);
        ASSERT_EQ("", run.error);
        EXPECT_EQ(0u, run.status);
        // Point at the first form that differs rather than print a megabyte.
        const size_t at =
            std::mismatch(expected.begin(), expected.end(), run.output.begin(), run.output.end())
                .first -
            expected.begin();
        const size_t from = at < sizeof BANNER - 1 ? 0 : at - (at - (sizeof BANNER - 1)) % 8;
        EXPECT_TRUE(run.output == expected)
            << "first difference at byte " << at << ": want \"" << expected.substr(from, 24)
            << "\", got \"" << run.output.substr(from, 24) << "\"";
    }
}

TEST(KeycodeExeRandom, ReturnModeHandsBackTheFirstPress)
{
    const unsigned seed = Seed();
    SCOPED_TRACE("KEYCODE_SEED=" + std::to_string(seed));
    RandomRecords random(seed);
    for (int round = 0; round < 300; ++round) {
        Launch launch;
        launch.commandLine = "keycode *";
        for (unsigned i = random.Below(8); i > 0; --i) {
            INPUT_RECORD before = random.Next();
            before.Event.KeyEvent.bKeyDown = 0; // a release, or another kind of record
            launch.records.push_back(before);
        }
        INPUT_RECORD press = random.Next(true);
        press.Event.KeyEvent.bKeyDown = 1;
        if (round % 2)
            press.Event.KeyEvent.wVirtualKeyCode = VK_ESCAPE; // Esc is a key like any other here
        launch.records.push_back(press);
        launch.records.push_back(random.Next(true)); // never read
        const Win32Run run = RunWin32(KEYCODE_EXE, launch);
        ASSERT_EQ("", run.error) << "round " << round;
        ASSERT_EQ(Packed(press), run.status) << std::hex << "round " << round;
        ASSERT_EQ("", run.output) << "round " << round;
    }
}

} // namespace
