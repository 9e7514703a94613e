// consolecheck's verdicts: which of docs/consoles.md's behaviours the records read in a step
// show. Plain data and functions, no Windows headers: the Windows side (consolecheck.cpp)
// reads the console and fills a Reading; the unit tests fill it from scripted records.
#pragma once

#include <cstddef>
#include <cstdint>

// A key event as ReadConsoleInputA gives it; the scan code is left out, as keycode leaves it.
struct KeyRecord {
    bool down;
    uint16_t repeat;
    uint16_t vk;
    unsigned char ch;
    uint32_t state;
};

// Control-key state, by the console's own names.
const uint32_t RIGHT_ALT_PRESSED = 0x1, LEFT_ALT_PRESSED = 0x2, RIGHT_CTRL_PRESSED = 0x4,
               LEFT_CTRL_PRESSED = 0x8, SHIFT_PRESSED = 0x10, NUMLOCK_ON = 0x20,
               ENHANCED_KEY = 0x100, RIGHT_WIN_PRESSED = 0x200, LEFT_WIN_PRESSED = 0x400;
const uint16_t VK_RETURN_KEY = 0x0D, VK_SHIFT_KEY = 0x10, VK_CONTROL_KEY = 0x11, VK_MENU_KEY = 0x12,
               VK_PAUSE_KEY = 0x13, VK_ESCAPE_KEY = 0x1B, VK_SPACE_KEY = 0x20, VK_END_KEY = 0x23,
               VK_HOME_KEY = 0x24, VK_UP_KEY = 0x26, VK_LWIN_KEY = 0x5B, VK_RWIN_KEY = 0x5C,
               VK_CAPITAL_KEY = 0x14, VK_NUMLOCK_KEY = 0x90, VK_SCROLL_KEY = 0x91;

// keycode's statuses that are not a key: its failure; the check's own mark for a run it
// ended because keycode was still waiting at the time limit; and its mark for a Ctrl+C that
// reached the check but not keycode (struck between runs, or before keycode was attached).
const int32_t KEYCODE_FAILED = -1;
const int32_t KEYCODE_STILL_WAITING = 0x7fffffff;
const int32_t KEYCODE_CTRL_C_BETWEEN = 0x7ffffffe;

enum Step {
    ENTER_RELEASE, // what waits in the buffer at the start
    ESC_CHARACTER,
    NAVIGATION_KEYS,
    RIGHT_ALT,
    ALTGR,
    PAUSE_READ,
    PAUSE_KEYCODE,
    CTRL_S_READ,
    CTRL_S_KEYCODE,
    HELD_KEY,
    SHIFT_RELEASE,
    WINDOWS_KEY_CHORD,
    CTRL_C,
    STEP_COUNT
};

struct StepInfo {
    const char *name;   // in the report
    const char *prompt; // what the person is asked to do; null: nothing is asked
    const char *row;    // docs/consoles.md's row, its "What" column
    uint16_t lastKey;   // the step is done once this key's release arrives (0: none)
    int presses;        // ... or once this many presses of other than modifiers arrived
    bool runsKeycode;   // the step runs `keycode *` and judges its statuses
};
const StepInfo &StepInfoOf(Step step);

// What one step read.
struct Reading {
    const KeyRecord *records = nullptr; // every key record, in order
    size_t count = 0;
    int emptyReads = 0;                // reads that succeeded with no record
    bool timedOut = false;             // the time limit passed before the step was done
    bool readFailed = false;           // a read failed
    bool ctrlCRaised = false;          // the check's Ctrl+C handler ran
    bool skipped = false;              // the person pressed Space first
    const int32_t *statuses = nullptr; // `keycode *` runs, in order, for the keycode steps
    size_t statusCount = 0;
    bool noKeycode = false;  // keycode.exe could not be started from the check's folder
    bool lineInput = true;   // the input mode found had ENABLE_LINE_INPUT
    bool ownConsole = false; // the check was alone on its console (a double click)
};

struct Verdict {
    const char *id;      // short and stable, in the report before the words: "esc:1b"
    const char *says;    // what was seen, in words
    const char *as;      // the consoles.md columns that give it; null: none of the known ones
    bool emptyReadNoted; // a read with no record came, which keycode takes as a failure
    bool unjudged;       // nothing to judge (skipped, or nothing the step looks at): no columns
};
Verdict Judge(Step step, const Reading &reading);

// The step's line of the report: name, codes seen in keycode's form, row, verdict's id and
// words, with the time limit in seconds for a step that timed out. Always NUL-ended within size.
void FormatStepLine(Step step, const Reading &reading, int seconds, char *line, size_t size);

// A record packed as keycode packs it (its display form is the low seven hex digits).
uint32_t KeyCode(const KeyRecord &record);

// Whether a status of `keycode *` is a key press: a key code (0 to 0x7ffffff) with the press
// bit, 25, set.
bool IsKeyPress(int32_t status);

// Whether a press is one the step looks past: Shift, Ctrl, Alt, a Windows key, or Caps, Num
// or Scroll Lock (as the hosts' own IsSystemKey passes over them).
bool IsModifier(uint16_t vk);

// Whether the records so far finish the step (its last key released, or enough presses).
bool StepDone(Step step, const KeyRecord *records, size_t count);

// Whether the wait on keycode's runs, `waited` ms in, is over: at the time limit `limit`, or,
// once a Ctrl+C reached the check (raised, `raisedAt` ms in), a second after it, time for a
// run it reached to end, even past the limit. A run that ends sooner ends the wait first.
bool KeycodeWaitOver(uint32_t waited, uint32_t limit, bool raised, uint32_t raisedAt);
