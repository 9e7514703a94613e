// consolecheck's verdicts from scripted records: for each step, every behaviour that
// docs/consoles.md names for it, and what is none of them, a read with no record and a
// time-out. One table; a row is the records a console would give and the verdict's id (its
// words are verdict.cpp's alone).
#include "utf8_cut.h"
#include "verdict.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <utility>
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

// What else a row's reading holds, as bits.
const unsigned TIMED_OUT = 1, READ_FAILED = 2, CTRL_C_RAISED = 4, SKIPPED = 8, NO_KEYCODE = 16,
               LINE_INPUT_OFF = 32, OWN_CONSOLE = 64;

struct Row {
    const char *name;
    Step step;
    std::vector<KeyRecord> records;
    std::vector<int32_t> statuses;
    const char *id;
    unsigned flags = 0;
    int emptyReads = 0;
};

// clang-format off
const Row ROWS[] = {
    {"Enter release passed on", ENTER_RELEASE, {Up(0x0D, 0x0D, 0)}, {}, "enter:arrived"},
    {"Enter release dropped", ENTER_RELEASE, {}, {}, "enter:dropped", TIMED_OUT},
    {"Nothing on a console of its own: not cmd's doing", ENTER_RELEASE, {}, {}, "enter:own-console", TIMED_OUT | OWN_CONSOLE},
    {"Esc with its character", ESC_CHARACTER, {K(0x1B, 0x1B, 0), Up(0x1B, 0x1B, 0)}, {}, "esc:1b"},
    {"Esc without a character", ESC_CHARACTER, {K(0x1B, 0, 0), Up(0x1B, 0, 0)}, {}, "esc:none"},
    {"Esc with another character", ESC_CHARACTER, {K(0x1B, 0x5B, 0)}, {}, "other"},
    {"Up, Home, End enhanced, Num Lock on", NAVIGATION_KEYS,
     {K(0x26, 0, ENH | NUM), Up(0x26, 0, ENH | NUM), K(0x24, 0, ENH | NUM),
      Up(0x24, 0, ENH | NUM), K(0x23, 0, ENH | NUM), Up(0x23, 0, ENH | NUM)},
     {}, "nav:enhanced"},
    {"Num Lock pressed, then Up, Home, End", NAVIGATION_KEYS,
     {K(0x90, 0, ENH), Up(0x90, 0, ENH | NUM), K(0x26, 0, ENH | NUM), K(0x24, 0, ENH | NUM),
      K(0x23, 0, ENH | NUM), Up(0x23, 0, ENH | NUM)},
     {}, "nav:enhanced"},
    {"Up, Home, End enhanced, Num Lock off", NAVIGATION_KEYS,
     {K(0x26, 0, ENH), K(0x24, 0, ENH), K(0x23, 0, ENH), Up(0x23, 0, ENH)}, {}, "nav:no-numlock"},
    {"Up, Home, End plain, Home and End 0", NAVIGATION_KEYS,
     {K(0x26, 0, 0), Up(0x26, 0, 0), K(0, 0, 0), Up(0, 0, 0), K(0, 0, 0), Up(0, 0, 0)}, {}, "nav:vk-0"},
    {"Up, Home, End plain, own virtual-keys", NAVIGATION_KEYS,
     {K(0x26, 0, 0), K(0x24, 0, 0), K(0x23, 0, 0)}, {}, "nav:no-flags"},
    {"Up, Home, End, one enhanced", NAVIGATION_KEYS,
     {K(0x26, 0, ENH), K(0x24, 0, 0), K(0x23, 0, 0)}, {}, "other"},
    {"Right Alt enhanced both ways", RIGHT_ALT,
     {K(0x12, 0, RALT | ENH), Up(0x12, 0, ENH)}, {}, "ralt:enhanced"},
    {"Right Alt, release not enhanced", RIGHT_ALT, {K(0x12, 0, RALT | ENH), Up(0x12, 0, 0)}, {}, "ralt:press-only"},
    {"Right Alt plain", RIGHT_ALT, {K(0x12, 0, RALT), Up(0x12, 0, 0)}, {}, "ralt:plain"},
    {"Right Alt among Left Alt's records", RIGHT_ALT,
     {K(0x12, 0, LEFT_ALT_PRESSED), K(0x12, 0, RALT | LEFT_ALT_PRESSED | ENH), Up(0x12, 0, RALT),
      Up(0x12, 0, ENH)}, {}, "ralt:enhanced"},
    {"AltGr as Right Alt and Left Ctrl", ALTGR,
     {K(0x11, 0, CTRL), K(0x12, 0, CTRL | RALT | ENH), K('Q', '@', CTRL | RALT | ENH)}, {}, "altgr:ctrl-alt"},
    {"AltGr as Right Alt alone", ALTGR, {K(0x12, 0, RALT), K('Q', '@', RALT)}, {}, "altgr:alt-alone"},
    {"AltGr skipped", ALTGR, {K(0x20, ' ', 0)}, {}, "skipped", SKIPPED},
    {"Pause shown and the key after it", PAUSE_READ,
     {K(0x13, 0, 0), Up(0x13, 0, 0), K('A', 'a', 0), Up('A', 'a', 0), K('B', 'b', 0)}, {}, "pause:shown"},
    {"Pause shown, line input off", PAUSE_READ,
     {K(0x13, 0, 0), Up(0x13, 0, 0), K('A', 'a', 0), Up('A', 'a', 0), K('B', 'b', 0)}, {}, "pause:no-line-input", LINE_INPUT_OFF},
    {"Ctrl+S under keycode: its own code, line input off", CTRL_S_KEYCODE, {}, {CTRL_PRESS,
     CTRL_S_PRESS}, "keycode-ctrl-s:no-line-input", LINE_INPUT_OFF},
    {"Pause kept and A kept", PAUSE_READ,
     {Up(0x13, 0, 0), Up('A', 'a', 0), K('B', 'b', 0), Up('B', 'b', 0)}, {}, "pause:kept"},
    {"Pause kept, nothing after", PAUSE_READ, {}, {}, "nothing", TIMED_OUT},
    {"Pause under keycode: its own code", PAUSE_KEYCODE, {}, {PAUSE_PRESS}, "keycode-pause:own"},
    {"Pause under keycode: B's code", PAUSE_KEYCODE, {}, {B_PRESS}, "keycode-pause:kept"},
    {"Pause under keycode: -1", PAUSE_KEYCODE, {}, {KEYCODE_FAILED}, "keycode-pause:failed"},
    {"Pause under keycode: keycode not started", PAUSE_KEYCODE, {}, {}, "no-keycode", NO_KEYCODE},
    {"Pause under keycode: still waiting", PAUSE_KEYCODE, {}, {KEYCODE_STILL_WAITING}, "still-waiting"},
    {"Ctrl+S shown and the key after it", CTRL_S_READ,
     {K(0x11, 0, CTRL), K('S', 0x13, CTRL), Up('S', 0x13, CTRL), Up(0x11, 0, 0), K('A', 'a', 0),
      K('B', 'b', 0)},
     {}, "ctrl-s:shown"},
    {"Ctrl+S kept and A kept", CTRL_S_READ,
     {K(0x11, 0, CTRL), Up('S', 0x13, CTRL), Up(0x11, 0, 0), Up('A', 'a', 0), K('B', 'b', 0)},
     {}, "ctrl-s:kept"},
    {"Ctrl+S under keycode, past Ctrl: its own code", CTRL_S_KEYCODE, {},
     {CTRL_PRESS, CTRL_S_PRESS}, "keycode-ctrl-s:own"},
    {"Ctrl+S under keycode, past Ctrl: B's code", CTRL_S_KEYCODE, {}, {CTRL_PRESS, B_PRESS}, "keycode-ctrl-s:kept"},
    {"Ctrl+S under keycode, past Ctrl: -1", CTRL_S_KEYCODE, {}, {CTRL_PRESS, KEYCODE_FAILED}, "keycode-ctrl-s:failed"},
    {"Ctrl+S under keycode: Ctrl alone", CTRL_S_KEYCODE, {}, {CTRL_PRESS}, "other"},
    {"A held: a record a repeat", HELD_KEY,
     {K('A', 'a', 0), K('A', 'a', 0), K('A', 'a', 0), Up('A', 'a', 0)}, {}, "held:each"},
    {"A held: repeats merged", HELD_KEY, {K('A', 'a', 0), K('A', 'a', 0, true, 5), Up('A', 'a', 0)},
     {}, "held:merged"},
    {"A held: no repeat", HELD_KEY, {K('A', 'a', 0), Up('A', 'a', 0)}, {}, "held:one"},
    {"Release with Shift held passed on", SHIFT_RELEASE,
     {K(0x10, 0, SHIFT), K('A', 'A', SHIFT), Up('A', 'A', SHIFT), Up(0x10, 0, 0)}, {}, "shift:arrived"},
    {"Release with Shift held dropped", SHIFT_RELEASE,
     {K(0x10, 0, SHIFT), K('A', 'A', SHIFT), Up(0x10, 0, 0)}, {}, "shift:dropped"},
    {"Windows key chord with the state bit", WINDOWS_KEY_CHORD,
     {K('Y', 'y', LEFT_WIN_PRESSED), Up('Y', 'y', LEFT_WIN_PRESSED)}, {}, "win:state-bit"},
    {"Windows key's own press, no bits", WINDOWS_KEY_CHORD,
     {K(0x5B, 0, 0), K('Y', 'y', 0), Up('Y', 'y', 0), Up(0x5B, 0, 0)}, {}, "win:own-press"},
    {"Windows key chord: nothing", WINDOWS_KEY_CHORD, {}, {}, "nothing", TIMED_OUT},
    {"Ctrl+C fails keycode's read", CTRL_C, {}, {CTRL_PRESS, KEYCODE_FAILED}, "ctrl-c:failed"},
    {"Ctrl+C ends keycode with status 0", CTRL_C, {}, {CTRL_PRESS, 0}, "ctrl-c:status-0"},
    {"Ctrl+C between runs, then ending keycode", CTRL_C, {},
     {CTRL_PRESS, KEYCODE_CTRL_C_BETWEEN, int32_t(0xC000013A)}, "ctrl-c:c000013a"},
    {"Ctrl+C ends keycode", CTRL_C, {Up('C', 3, CTRL)}, {CTRL_PRESS, int32_t(0xC000013A)}, "ctrl-c:c000013a", CTRL_C_RAISED},
    {"Ctrl+C as a key", CTRL_C, {}, {CTRL_PRESS, 0x2080343}, "ctrl-c:key"},
    {"Ctrl+C: keycode still waiting", CTRL_C, {}, {CTRL_PRESS, KEYCODE_STILL_WAITING}, "still-waiting"},
    {"A read with no record", ESC_CHARACTER, {K(0x1B, 0x1B, 0)}, {}, "esc:1b", 0, 1},
    {"A time-out with nothing read", ESC_CHARACTER, {}, {}, "nothing", TIMED_OUT},
};
// clang-format on

Reading ReadingOf(const Row &row)
{
    Reading r;
    r.records = row.records.data();
    r.count = row.records.size();
    r.statuses = row.statuses.data();
    r.statusCount = row.statuses.size();
    r.timedOut = row.flags & TIMED_OUT;
    r.readFailed = row.flags & READ_FAILED;
    r.ctrlCRaised = row.flags & CTRL_C_RAISED;
    r.skipped = row.flags & SKIPPED;
    r.emptyReads = row.emptyReads;
    r.noKeycode = row.flags & NO_KEYCODE;
    r.lineInput = !(row.flags & LINE_INPUT_OFF);
    r.ownConsole = row.flags & OWN_CONSOLE;
    return r;
}

TEST(ConsoleCheck, EachStepsBehaviours)
{
    for (const Row &row : ROWS) {
        const Verdict v = Judge(row.step, ReadingOf(row));
        EXPECT_STREQ(row.id, v.id) << row.name << ": " << v.says;
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

// The report's line: codes in keycode's form, the row, the verdict's id, its words ({says}
// and {as}, put in from the verdict), the time limit and the reads with no record; cut
// short, still ended within its buffer.
TEST(ConsoleCheck, StepLine)
{
    const struct {
        Row row;
        const char *line;
    } LINES[] = {
        {{"", ESC_CHARACTER, {K(0x1B, 0, NUM), Up(0x1B, 0, 0)}, {}, ""},
         "Esc's character: 220001b 000001b; row \"NUMLOCK_ON, ENHANCED_KEY\": [esc:none] {says}, "
         "as {as}"},
        {{"", PAUSE_READ, {}, {}, "", TIMED_OUT, 2},
         "Pause, then A, B: no records (5 s passed); row \"Pause\": [nothing] {says}, none of the "
         "known ones; 2 read(s) succeeded with no record, which keycode takes as a failure (-1)"},
        {{"", PAUSE_KEYCODE, {Up('B', 'b', 0)}, {KEYCODE_STILL_WAITING}, ""},
         "Pause under keycode *: keycode * (still waiting); 0006242; row \"Pause\": "
         "[still-waiting] {says}, none of the known ones"},
        {{"", WINDOWS_KEY_CHORD, {K('Y', 'y', LEFT_WIN_PRESSED | RIGHT_WIN_PRESSED)}, {}, ""},
         "Windows key chord: 6007959; row \"Windows keys\": [win:state-bit] {says}, as {as}"},
        {{"",
          CTRL_C,
          {Up('C', 3, CTRL)},
          {CTRL_PRESS, KEYCODE_FAILED},
          "",
          READ_FAILED | CTRL_C_RAISED},
         "Ctrl+C under keycode *: keycode * 2080011 -1; 0080343 (Ctrl+C raised in the check) (a "
         "read failed); row \"Ctrl+C, processed input on (the default)\": [ctrl-c:failed] "
         "{says}, as {as}"},
        {{"", ALTGR, {K(0x20, ' ', 0), Up(0x20, ' ', 0)}, {}, "", SKIPPED},
         "AltGr: 2002020 0002020; row \"AltGr\": [skipped] {says}"},
        {{"", ENTER_RELEASE, {Up(0x0D, 0x0D, 0)}, {}, "", OWN_CONSOLE},
         "Enter release at the start: 0000d0d; row \"The release of the Enter key that started "
         "keycode\": [enter:own-console] {says}"},
        {{"", HELD_KEY, std::vector<KeyRecord>(50, K('A', 'a', 0)), {}, ""},
         "A held down: 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
         "2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
         "2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
         "2006141 2006141 2006141 and 18 more; row \"A held key\": [held:each] {says}, as {as}"},
    };
    char line[1024];
    for (const auto &want : LINES) {
        const Reading reading = ReadingOf(want.row);
        const Verdict v = Judge(want.row.step, reading);
        std::string expected = want.line;
        const std::pair<const char *, const char *> marks[] = {{"{says}", v.says}, {"{as}", v.as}};
        for (const auto &[mark, text] : marks)
            if (const size_t at = expected.find(mark); at != std::string::npos)
                expected.replace(at, std::strlen(mark), text ? text : "(none)");
        FormatStepLine(want.row.step, reading, 5, line, sizeof line);
        EXPECT_EQ(expected, line);
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

// keycode's runs are waited on until the time limit, or for a whole second after a Ctrl+C
// reached the check, counted from the look that saw it, even the first.
TEST(ConsoleCheck, KeycodeWaitOver)
{
    const struct {
        uint32_t waited, limit;
        bool raised;
        uint32_t raisedAt;
        bool over;
    } CASES[] = {
        {704, 15000, true, 704, false},  {0, 15000, true, 0, false},
        {1703, 15000, true, 704, false}, {1704, 15000, true, 704, true},
        {14999, 15000, false, 0, false}, {15000, 15000, false, 0, true},
        {3000, 3000, true, 2500, true},
    };
    for (const auto &c : CASES)
        EXPECT_EQ(c.over, KeycodeWaitOver(c.waited, c.limit, c.raised, c.raisedAt))
            << c.waited << " ms in, limit " << c.limit << ", Ctrl+C "
            << (c.raised ? "seen at " + std::to_string(c.raisedAt) + " ms" : "not seen");
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

// A report line cut short ends before a character that the cut would split (a folder's name
// outside ASCII), and where the cut falls between characters, there.
TEST(ConsoleCheck, CutAtCharacter)
{
    const struct {
        const char *text;
        size_t at, cut;
    } CUTS[] = {
        {"Folder", 3, 3},
        {"M\xc3\xbcller", 2, 1},            // in a sign of two bytes
        {"M\xc3\xbcller", 3, 3},            // just after it
        {"\xe2\x82\xac\xe2\x82\xac", 5, 3}, // in the second of two of three bytes
        {"a\xf0\x9f\x98\x80", 4, 1},        // at the last byte of one of four
        {"\x80\x80", 1, 0},                 // no start to be found
    };
    for (const auto &c : CUTS)
        EXPECT_EQ(c.cut, CutAtCharacter(c.text, c.at)) << c.text << " at " << c.at;
}

} // namespace
