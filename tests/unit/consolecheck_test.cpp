// consolecheck's verdicts from scripted records: for each step, every behaviour that
// docs/consoles.md names for it, and what is none of them, a read with no record and a
// time-out. One table; a row is the records a console would give and what the report says.
#include "verdict.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

KeyRecord K(uint16_t vk, unsigned char ch, uint32_t state, bool down = true, uint16_t repeat = 1)
{
    return KeyRecord{down, repeat, vk, ch, state};
}
KeyRecord Up(uint16_t vk, unsigned char ch, uint32_t state)
{
    return K(vk, ch, state, false);
}

const uint32_t CTRL = LEFT_CTRL_PRESSED, SHIFT = SHIFT_PRESSED, ENH = ENHANCED_KEY,
               NUM = NUMLOCK_ON, RALT = RIGHT_ALT_PRESSED;
const int32_t B_PRESS = 0x2006242, PAUSE_PRESS = 0x2000013, CTRL_PRESS = 0x2080011,
              CTRL_S_PRESS = 0x2081353;

struct Row {
    const char *name;
    Step step;
    std::vector<KeyRecord> records;
    std::vector<int32_t> statuses;
    const char *says; // the verdict's words, in part
    const char *as;   // the columns named, in part; null: none of the known ones
    bool timedOut = false, readFailed = false, ctrlC = false, skipped = false;
    int emptyReads = 0;
    bool noKeycode = false;
    bool lineInputOff = false;
    bool ownConsole = false;
};

// clang-format off
const Row ROWS[] = {
    {"Enter release passed on", ENTER_RELEASE, {Up(0x0D, 0x0D, 0)}, {}, "Enter release arrived",
     "Wine's console and Windows Terminal, or a console window started from a shell that reads "
     "keys itself (PowerShell)"},
    {"Enter release dropped", ENTER_RELEASE, {}, {}, "was dropped",
     "Windows' console window, started from cmd", true},
    {"Nothing on a console of its own: not cmd's doing", ENTER_RELEASE, {}, {}, "not judged",
     nullptr, true, false, false, false, 0, false, false, true},
    {"Esc with its character", ESC_CHARACTER, {K(0x1B, 0x1B, 0), Up(0x1B, 0x1B, 0)}, {},
     "character 1b", "Windows' console window and Windows Terminal"},
    {"Esc without a character", ESC_CHARACTER, {K(0x1B, 0, 0), Up(0x1B, 0, 0)}, {},
     "no character", "Wine's console"},
    {"Esc with another character", ESC_CHARACTER, {K(0x1B, 0x5B, 0)}, {}, "other records",
     nullptr},
    {"Up, Home, End enhanced, Num Lock on", NAVIGATION_KEYS,
     {K(0x26, 0, ENH | NUM), Up(0x26, 0, ENH | NUM), K(0x24, 0, ENH | NUM),
      Up(0x24, 0, ENH | NUM), K(0x23, 0, ENH | NUM), Up(0x23, 0, ENH | NUM)},
     {}, "ENHANCED_KEY and NUMLOCK_ON", "Windows' console window and Windows Terminal"},
    {"Num Lock pressed, then Up, Home, End", NAVIGATION_KEYS,
     {K(0x90, 0, ENH), Up(0x90, 0, ENH | NUM), K(0x26, 0, ENH | NUM), K(0x24, 0, ENH | NUM),
      K(0x23, 0, ENH | NUM), Up(0x23, 0, ENH | NUM)},
     {}, "ENHANCED_KEY and NUMLOCK_ON", "Windows' console window and Windows Terminal"},
    {"Up, Home, End enhanced, Num Lock off", NAVIGATION_KEYS,
     {K(0x26, 0, ENH), K(0x24, 0, ENH), K(0x23, 0, ENH), Up(0x23, 0, ENH)}, {},
     "no NUMLOCK_ON", "Windows' console window and Windows Terminal"},
    {"Up, Home, End plain, Home and End 0", NAVIGATION_KEYS,
     {K(0x26, 0, 0), Up(0x26, 0, 0), K(0, 0, 0), Up(0, 0, 0), K(0, 0, 0), Up(0, 0, 0)}, {},
     "virtual-key 0", "Wine's console"},
    {"Up, Home, End plain, own virtual-keys", NAVIGATION_KEYS,
     {K(0x26, 0, 0), K(0x24, 0, 0), K(0x23, 0, 0)}, {}, "own virtual-keys", nullptr},
    {"Up, Home, End, one enhanced", NAVIGATION_KEYS,
     {K(0x26, 0, ENH), K(0x24, 0, 0), K(0x23, 0, 0)}, {}, "other records", nullptr},
    {"Right Alt enhanced both ways", RIGHT_ALT,
     {K(0x12, 0, RALT | ENH), Up(0x12, 0, ENH)}, {}, "ENHANCED_KEY on press and release",
     "Windows' console window, and Wine's console window"},
    {"Right Alt, release not enhanced", RIGHT_ALT, {K(0x12, 0, RALT | ENH), Up(0x12, 0, 0)}, {},
     "reads as Left Alt's", "Windows Terminal"},
    {"Right Alt plain", RIGHT_ALT, {K(0x12, 0, RALT), Up(0x12, 0, 0)}, {},
     "no ENHANCED_KEY", "Wine's console"},
    {"Right Alt among Left Alt's records", RIGHT_ALT,
     {K(0x12, 0, LEFT_ALT_PRESSED), K(0x12, 0, RALT | LEFT_ALT_PRESSED | ENH), Up(0x12, 0, RALT),
      Up(0x12, 0, ENH)}, {}, "ENHANCED_KEY on press and release",
     "Windows' console window, and Wine's console window"},
    {"AltGr as Right Alt and Left Ctrl", ALTGR,
     {K(0x11, 0, CTRL), K(0x12, 0, CTRL | RALT | ENH), K('Q', '@', CTRL | RALT | ENH)}, {},
     "AltGr as Right Alt and Left Ctrl", "Windows' console window and Windows Terminal"},
    {"AltGr as Right Alt alone", ALTGR, {K(0x12, 0, RALT), K('Q', '@', RALT)}, {},
     "RIGHT_ALT_PRESSED alone", nullptr},
    {"AltGr skipped", ALTGR, {K(0x20, ' ', 0)}, {}, "skipped", nullptr, false, false, false,
     true},
    {"Pause shown and the key after it", PAUSE_READ,
     {K(0x13, 0, 0), Up(0x13, 0, 0), K('A', 'a', 0), Up('A', 'a', 0), K('B', 'b', 0)}, {},
     "Pause and the key after it arrived", "Wine's console"},
    {"Pause shown, line input off", PAUSE_READ,
     {K(0x13, 0, 0), Up(0x13, 0, 0), K('A', 'a', 0), Up('A', 'a', 0), K('B', 'b', 0)}, {},
     "Pause and the key after it arrived", "every host, with ENABLE_LINE_INPUT off", false,
     false, false, false, 0, false, true},
    {"Ctrl+S under keycode: its own code, line input off", CTRL_S_KEYCODE, {}, {CTRL_PRESS,
     CTRL_S_PRESS}, "Ctrl+S's own code", "every host, with ENABLE_LINE_INPUT off", false,
     false, false, false, 0, false, true},
    {"Pause kept and A kept", PAUSE_READ,
     {Up(0x13, 0, 0), Up('A', 'a', 0), K('B', 'b', 0), Up('B', 'b', 0)}, {},
     "Pause and of A were kept", "Windows' console window and Windows Terminal"},
    {"Pause kept, nothing after", PAUSE_READ, {}, {}, "nothing arrived", nullptr, true},
    {"Pause under keycode: its own code", PAUSE_KEYCODE, {}, {PAUSE_PRESS}, "Pause's own code",
     "Wine's console"},
    {"Pause under keycode: B's code", PAUSE_KEYCODE, {}, {B_PRESS}, "Pause and A were kept",
     "built before July 2023 or since December 2024, and Windows Terminal 1.18 and older"},
    {"Pause under keycode: -1", PAUSE_KEYCODE, {}, {KEYCODE_FAILED}, "status -1",
     "built from July 2023 to December 2024, and Windows Terminal 1.19 to 1.22.11141"},
    {"Pause under keycode: keycode not started", PAUSE_KEYCODE, {}, {}, "could not be started",
     nullptr, false, false, false, false, 0, true},
    {"Pause under keycode: still waiting", PAUSE_KEYCODE, {}, {KEYCODE_STILL_WAITING},
     "still waiting", nullptr},
    {"Ctrl+S shown and the key after it", CTRL_S_READ,
     {K(0x11, 0, CTRL), K('S', 0x13, CTRL), Up('S', 0x13, CTRL), Up(0x11, 0, 0), K('A', 'a', 0),
      K('B', 'b', 0)},
     {}, "Ctrl+S and the key after it", "built from 2018 to July 2023"},
    {"Ctrl+S kept and A kept", CTRL_S_READ,
     {K(0x11, 0, CTRL), Up('S', 0x13, CTRL), Up(0x11, 0, 0), Up('A', 'a', 0), K('B', 'b', 0)},
     {}, "S and of A were kept", "built since July 2023 (or before 2018), and Windows Terminal 1.19"},
    {"Ctrl+S under keycode, past Ctrl: its own code", CTRL_S_KEYCODE, {},
     {CTRL_PRESS, CTRL_S_PRESS}, "Ctrl+S's own code", "built from 2018 to July 2023"},
    {"Ctrl+S under keycode, past Ctrl: B's code", CTRL_S_KEYCODE, {}, {CTRL_PRESS, B_PRESS},
     "Ctrl+S and A were kept", "built since December 2024 (or before 2018), and Windows Terminal 1.22.11751"},
    {"Ctrl+S under keycode, past Ctrl: -1", CTRL_S_KEYCODE, {}, {CTRL_PRESS, KEYCODE_FAILED},
     "failed at Ctrl+S", "built from July 2023 to December 2024"},
    {"Ctrl+S under keycode: Ctrl alone", CTRL_S_KEYCODE, {}, {CTRL_PRESS}, "other records",
     nullptr},
    {"A held: a record a repeat", HELD_KEY,
     {K('A', 'a', 0), K('A', 'a', 0), K('A', 'a', 0), Up('A', 'a', 0)}, {}, "a record of its own",
     "Wine's console window"},
    {"A held: repeats merged", HELD_KEY, {K('A', 'a', 0), K('A', 'a', 0, true, 5), Up('A', 'a', 0)},
     {}, "repeats merged", "Windows' console window and Windows Terminal"},
    {"A held: no repeat", HELD_KEY, {K('A', 'a', 0), Up('A', 'a', 0)}, {}, "no repeat", nullptr},
    {"Release with Shift held passed on", SHIFT_RELEASE,
     {K(0x10, 0, SHIFT), K('A', 'A', SHIFT), Up('A', 'A', SHIFT), Up(0x10, 0, 0)}, {},
     "A release arrived",
     "Wine's console and Windows Terminal, or a console window with \"Ctrl key shortcuts\" off "
     "or processed input off"},
    {"Release with Shift held dropped", SHIFT_RELEASE,
     {K(0x10, 0, SHIFT), K('A', 'A', SHIFT), Up(0x10, 0, 0)}, {}, "was dropped",
     "Windows' console window"},
    {"Windows key chord with the state bit", WINDOWS_KEY_CHORD,
     {K('Y', 'y', LEFT_WIN_PRESSED), Up('Y', 'y', LEFT_WIN_PRESSED)}, {}, "state bit",
     "Windows Terminal"},
    {"Windows key's own press, no bits", WINDOWS_KEY_CHORD,
     {K(0x5B, 0, 0), K('Y', 'y', 0), Up('Y', 'y', 0), Up(0x5B, 0, 0)}, {}, "own press",
     "Windows' console window"},
    {"Windows key chord: nothing", WINDOWS_KEY_CHORD, {}, {}, "nothing arrived", nullptr, true},
    {"Ctrl+C fails keycode's read", CTRL_C, {}, {CTRL_PRESS, KEYCODE_FAILED}, "status -1",
     "Wine's console"},
    {"Ctrl+C ends keycode with status 0", CTRL_C, {}, {CTRL_PRESS, 0}, "status 0",
     "Wine's console window"},
    {"Ctrl+C between runs, then ending keycode", CTRL_C, {},
     {CTRL_PRESS, KEYCODE_CTRL_C_BETWEEN, int32_t(0xC000013A)}, "0xC000013A",
     "Windows' console window and Windows Terminal"},
    {"Ctrl+C ends keycode", CTRL_C, {Up('C', 3, CTRL)}, {CTRL_PRESS, int32_t(0xC000013A)},
     "0xC000013A", "Windows' console window and Windows Terminal", false, false, true},
    {"Ctrl+C as a key", CTRL_C, {}, {CTRL_PRESS, 0x2080343}, "processed input is off", nullptr},
    {"Ctrl+C: keycode still waiting", CTRL_C, {}, {CTRL_PRESS, KEYCODE_STILL_WAITING},
     "still waiting", nullptr},
    {"A read with no record", ESC_CHARACTER, {K(0x1B, 0x1B, 0)}, {}, "character 1b",
     "Windows' console window and Windows Terminal", false, false, false, false, 1},
    {"A time-out with nothing read", ESC_CHARACTER, {}, {}, "nothing arrived", nullptr, true},
};
// clang-format on

Reading ReadingOf(const Row &row)
{
    Reading r;
    r.records = row.records.data();
    r.count = row.records.size();
    r.statuses = row.statuses.data();
    r.statusCount = row.statuses.size();
    r.timedOut = row.timedOut;
    r.readFailed = row.readFailed;
    r.ctrlCRaised = row.ctrlC;
    r.skipped = row.skipped;
    r.emptyReads = row.emptyReads;
    r.noKeycode = row.noKeycode;
    r.lineInput = !row.lineInputOff;
    r.ownConsole = row.ownConsole;
    return r;
}

TEST(ConsoleCheck, EachStepsBehaviours)
{
    for (const Row &row : ROWS) {
        const Verdict v = Judge(row.step, ReadingOf(row));
        EXPECT_NE(nullptr, std::strstr(v.says, row.says)) << row.name << ": says " << v.says;
        if (row.as)
            EXPECT_TRUE(v.as && std::strstr(v.as, row.as))
                << row.name << ": as " << (v.as ? v.as : "none of the known ones");
        else
            EXPECT_EQ(nullptr, v.as) << row.name << ": as " << v.as;
        EXPECT_EQ(row.emptyReads > 0, v.emptyReadNoted) << row.name;
    }
}

// Every step a person is asked to do has a row above, for each column it can name.
TEST(ConsoleCheck, EveryStepHasRows)
{
    for (int step = 0; step < STEP_COUNT; ++step) {
        int rows = 0;
        for (const Row &row : ROWS)
            rows += row.step == step;
        EXPECT_GE(rows, 2) << StepInfoOf(static_cast<Step>(step)).name;
    }
}

// The report's line: codes in keycode's form, the row, the verdict, the time limit and the
// reads with no record; cut short, still ended within its buffer.
TEST(ConsoleCheck, StepLine)
{
    const struct {
        Row row;
        const char *line;
    } LINES[] = {
        {{"", ESC_CHARACTER, {K(0x1B, 0, NUM), Up(0x1B, 0, 0)}, {}, "", nullptr},
         "Esc's character: 220001b 000001b; row \"NUMLOCK_ON, ENHANCED_KEY\": Esc carries no "
         "character, as Wine's console in a terminal"},
        {{"", PAUSE_READ, {}, {}, "", nullptr, true, false, false, false, 2},
         "Pause, then A, B: no records (5 s passed); row \"Pause\": nothing arrived, none of the "
         "known ones; 2 read(s) succeeded with no record, which keycode takes as a failure (-1)"},
        {{"", PAUSE_KEYCODE, {Up('B', 'b', 0)}, {KEYCODE_STILL_WAITING}, "", nullptr},
         "Pause under keycode *: keycode * (still waiting); 0006242; row \"Pause\": keycode * was "
         "still waiting at the time limit; the check ended it, none of the known ones"},
        {{"",
          WINDOWS_KEY_CHORD,
          {K('Y', 'y', LEFT_WIN_PRESSED | RIGHT_WIN_PRESSED)},
          {},
          "",
          nullptr},
         "Windows key chord: 6007959; row \"Windows keys\": the chord carries a Windows key's "
         "state bit, as Windows Terminal"},
        {{"",
          CTRL_C,
          {Up('C', 3, CTRL)},
          {CTRL_PRESS, KEYCODE_FAILED},
          "",
          nullptr,
          false,
          true,
          true},
         "Ctrl+C under keycode *: keycode * 2080011 -1; 0080343 (Ctrl+C raised in the check) (a "
         "read failed); row \"Ctrl+C, processed input on (the default)\": Ctrl+C failed "
         "keycode's read: status -1, as Wine's console"},
        {{"",
          ALTGR,
          {K(0x20, ' ', 0), Up(0x20, ' ', 0)},
          {},
          "",
          nullptr,
          false,
          false,
          false,
          true},
         "AltGr: 2002020 0002020; row \"AltGr\": skipped"},
        {{"",
          ENTER_RELEASE,
          {Up(0x0D, 0x0D, 0)},
          {},
          "",
          nullptr,
          false,
          false,
          false,
          false,
          0,
          false,
          false,
          true},
         "Enter release at the start: 0000d0d; row \"The release of the Enter key that started "
         "keycode\": not judged: the check has a console of its own (a double click), so no "
         "shell read an Enter before it"},
        {{"", HELD_KEY, std::vector<KeyRecord>(50, K('A', 'a', 0)), {}, "", nullptr},
         "A held down: 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
         "2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
         "2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
         "2006141 2006141 2006141 and 18 more; row \"A held key\": each repeat a record of its "
         "own, repeat count 1, as Wine's console window, and Windows' hosts when each press is "
         "read before the next"},
    };
    char line[1024];
    for (const auto &want : LINES) {
        FormatStepLine(want.row.step, ReadingOf(want.row), 5, line, sizeof line);
        EXPECT_STREQ(want.line, line);
    }
    char shortLine[12];
    FormatStepLine(ESC_CHARACTER, ReadingOf(LINES[0].row), 5, shortLine, sizeof shortLine);
    EXPECT_STREQ("Esc's chara", shortLine);
}

// A step is done at its last key's release, or once enough presses were followed by a
// release; not before.
TEST(ConsoleCheck, StepDone)
{
    const struct {
        Step step;
        std::vector<KeyRecord> records;
        bool done;
    } CASES[] = {
        {PAUSE_READ, {K(0x13, 0, 0), K('A', 'a', 0), K('B', 'b', 0)}, false},
        {PAUSE_READ, {K(0x13, 0, 0), K('A', 'a', 0), K('B', 'b', 0), Up(0x13, 0, 0)}, true},
        {PAUSE_READ, {Up('A', 'a', 0), Up('B', 'b', 0)}, true},
        {NAVIGATION_KEYS, {K(0x26, 0, 0), K(0, 0, 0), K(0, 0, 0)}, false},
        {NAVIGATION_KEYS, {K(0x26, 0, 0), K(0, 0, 0), K(0, 0, 0), Up(0, 0, 0)}, true},
        {NAVIGATION_KEYS, {K(0x90, 0, 0), K(0x26, 0, 0), K(0x24, 0, 0), Up(0x24, 0, 0)}, false},
        {HELD_KEY, {K('A', 'a', 0), K('A', 'a', 0), K('A', 'a', 0)}, false},
        {SHIFT_RELEASE, {K(0x10, 0, SHIFT), K('A', 'A', SHIFT), Up('A', 'A', SHIFT)}, false},
        {SHIFT_RELEASE, {K('A', 'A', SHIFT), Up(0x10, 0, 0)}, true},
        {ALTGR, {K(0x11, 0, CTRL), K(0x12, 0, CTRL | RALT)}, false},
        {ALTGR, {K(0x11, 0, CTRL), K('Q', '@', CTRL | RALT), Up('Q', '@', CTRL | RALT)}, true},
    };
    for (const auto &c : CASES)
        EXPECT_EQ(c.done, StepDone(c.step, c.records.data(), c.records.size()))
            << StepInfoOf(c.step).name << " after " << c.records.size() << " records";
}

// keycode's statuses that are a key press, and those that are not, by the range the examples
// take: 0 to 0x7ffffff with bit 25 set.
TEST(ConsoleCheck, KeyPressStatus)
{
    const struct {
        int32_t status;
        bool press;
    } STATUSES[] = {
        {0x2000000, true},
        {0x6006141, true},
        {0x7ffffff, true},
        {0x0006141, false},
        {0x4006141, false},
        {0x8000000, false},
        {0xA006141, false},
        {KEYCODE_FAILED, false},
        {KEYCODE_STILL_WAITING, false},
        {int32_t(0xC000013A), false},
    };
    for (const auto &s : STATUSES)
        EXPECT_EQ(s.press, IsKeyPress(s.status)) << std::hex << s.status;
}

} // namespace
