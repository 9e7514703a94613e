#include "verdict.h"

#include <cstdio>
#include <cstring>

namespace {

const char WINE[] = "Wine's console";
const char WINDOWS[] = "Windows' console window and Windows Terminal";
const char WINDOW[] = "Windows' console window";
// Where Wine's two consoles differ: its window gives keys as Windows does (measured with
// keys from X: wine.consolecheck), the console on a terminal does not.
const char WINE_TERMINAL[] = "Wine's console in a terminal";
const char WINDOWS_AND_WINE_WINDOW[] =
    "Windows' console window and Windows Terminal, and Wine's console window";
// Where the host's build decides: Pause and Ctrl+S kept since July 2023, and a waiting read
// completed with no record from then until December 2024.
const char KEPT_WAITING[] = "Windows' console window built before July 2023 or since December "
                            "2024, and Windows Terminal 1.18 and older or 1.22.11751 and later";
const char KEPT_FAILING[] = "Windows' console window built from July 2023 to December 2024, and "
                            "Windows Terminal 1.19 to 1.22.11141";
const char CTRL_S_SHOWN[] = "Wine's console, Windows' console window built from 2018 to July "
                            "2023, and Windows Terminal 1.18 and older";

const StepInfo STEPS[STEP_COUNT] = {
    {"Enter release at the start", nullptr, "The release of the Enter key that started keycode", 0,
     0, false},
    {"Esc's character", "Press Esc.", "NUMLOCK_ON, ENHANCED_KEY", VK_ESCAPE_KEY, 1, false},
    {"Up, Home, End",
     "Press Up, then Home, then End (the keys beside the letters, not on the number pad), Num "
     "Lock on or off.",
     "NUMLOCK_ON, ENHANCED_KEY", VK_END_KEY, 3, false},
    {"Right Alt", "Press and let go of the Right Alt key (AltGr on many keyboards).",
     "NUMLOCK_ON, ENHANCED_KEY", VK_MENU_KEY, 0, false},
    {"AltGr",
     "Hold AltGr and press a key whose AltGr sign is one of @ \\ [ ] { } | ~ (not the euro "
     "sign), then let go. No AltGr key: press Space.",
     "AltGr", 0, 1, false},
    {"Pause, then A, B", "Press Pause (Pause/Break), then A, then B.", "Pause", 'B', 3, false},
    {"Pause under keycode *", "keycode.exe * runs now. Press Pause, then A, then B.", "Pause", 'B',
     3, true},
    {"Ctrl+S, then A, B", "Press Ctrl+S, then A, then B.", "Ctrl+S", 'B', 3, false},
    {"Ctrl+S under keycode *", "keycode.exe * runs now. Press Ctrl+S, then A, then B.", "Ctrl+S",
     'B', 3, true},
    {"A held down", "Hold A down for about two seconds, then let go.", "A held key", 'A', 0, false},
    {"Release with Shift held", "Hold Shift, press and let go of A, then let go of Shift.",
     "Releases while Shift alone (or Ctrl+Shift) is held", VK_SHIFT_KEY, 0, false},
    {"Windows key chord",
     "Hold a Windows key and press Y, then let go of both. No Windows key: press Space.",
     "Windows keys", 'Y', 0, false},
    {"Ctrl+C under keycode *",
     "keycode.exe * runs now. Hold Ctrl down, and press C only when the check says so; then let "
     "go of both. The check stays to report how Ctrl+C came.",
     "Ctrl+C, processed input on (the default)", 'C', 0, true},
};

// The presses of keys other than modifiers, in order, up to max.
size_t Presses(const Reading &r, const KeyRecord **out, size_t max)
{
    size_t n = 0;
    for (size_t i = 0; i < r.count && n < max; ++i)
        if (r.records[i].down && !IsModifier(r.records[i].vk))
            out[n++] = &r.records[i];
    return n;
}

const KeyRecord *Find(const Reading &r, uint16_t vk, bool down)
{
    for (size_t i = 0; i < r.count; ++i)
        if (r.records[i].vk == vk && r.records[i].down == down)
            return &r.records[i];
    return nullptr;
}

bool AnyState(const Reading &r, uint32_t bits)
{
    for (size_t i = 0; i < r.count; ++i)
        if (r.records[i].state & bits)
            return true;
    return false;
}

// The first status of `keycode *` that is not a modifier's press nor a Ctrl+C that missed
// keycode; the last one if all are.
bool KeycodeStatus(const Reading &r, int32_t *status)
{
    if (!r.statusCount)
        return false;
    *status = r.statuses[r.statusCount - 1];
    for (size_t i = 0; i < r.statusCount; ++i)
        if (r.statuses[i] != KEYCODE_CTRL_C_BETWEEN &&
            (!IsKeyPress(r.statuses[i]) || !IsModifier(r.statuses[i] & 0xff))) {
            *status = r.statuses[i];
            break;
        }
    return true;
}

bool IsPressOf(int32_t status, uint16_t vk)
{
    return IsKeyPress(status) && (status & 0xff) == vk;
}

// ID is the verdict's name in the report, which the tests check and which stays the same
// when the words change; each id is given here once.
Verdict Of(const char *id, const char *says, const char *as)
{
    return Verdict{id, says, as, false, false};
}

Verdict StillWaiting()
{
    return Of("still-waiting", "keycode * was still waiting at the time limit; the check ended it",
              nullptr);
}

// Hosts keep Pause and Ctrl+S only for a read in line input mode: without it every host
// passes them on.
const char LINE_INPUT_OFF[] = "every host, with ENABLE_LINE_INPUT off as the check found it";

Verdict JudgeRecords(Step step, const Reading &r)
{
    const KeyRecord *p[3];
    const size_t presses = Presses(r, p, 3);
    if (STEPS[step].runsKeycode && r.noKeycode)
        return Of("no-keycode",
                  "not run: keycode.exe could not be started from consolecheck's folder", nullptr);
    switch (step) {
    case ENTER_RELEASE:
        // A new console, as a double click gives: no shell's Enter came before the check.
        if (r.ownConsole) {
            Verdict v = Of("enter:own-console",
                           "not judged: the check has a console of its own (a double click, "
                           "or cmd's start), so no shell read an Enter before it",
                           nullptr);
            v.unjudged = true;
            return v;
        }
        if (Find(r, VK_RETURN_KEY, false))
            return Of("enter:arrived", "the Enter release arrived",
                      "Wine's console and Windows Terminal, or a console window started from a "
                      "shell that reads keys itself (PowerShell)");
        // A console window drops it only after its own line input read the line (cmd's).
        if (!r.count && !r.readFailed)
            return Of("enter:dropped",
                      "nothing arrived: the Enter release was dropped (or the check was not "
                      "started with Enter)",
                      "Windows' console window, started from cmd");
        break;
    case ESC_CHARACTER:
        if (presses && p[0]->vk == VK_ESCAPE_KEY && p[0]->ch == 0x1B)
            return Of("esc:1b", "Esc carries character 1b", WINDOWS_AND_WINE_WINDOW);
        if (presses && p[0]->vk == VK_ESCAPE_KEY && !p[0]->ch)
            return Of("esc:none", "Esc carries no character", WINE_TERMINAL);
        break;
    case NAVIGATION_KEYS:
        if (presses == 3) {
            bool enhanced = true, numlock = true;
            for (const KeyRecord *k : p) {
                enhanced = enhanced && (k->state & ENHANCED_KEY);
                numlock = numlock && (k->state & NUMLOCK_ON);
            }
            if (enhanced && p[0]->vk == VK_UP_KEY && p[1]->vk == VK_HOME_KEY &&
                p[2]->vk == VK_END_KEY)
                return numlock ? Of("nav:enhanced", "ENHANCED_KEY and NUMLOCK_ON on all three",
                                    WINDOWS_AND_WINE_WINDOW)
                               : Of("nav:no-numlock",
                                    "ENHANCED_KEY on all three, no NUMLOCK_ON (was Num Lock off?)",
                                    WINDOWS_AND_WINE_WINDOW);
            if (!AnyState(r, ENHANCED_KEY | NUMLOCK_ON) && !p[1]->vk && !p[2]->vk)
                return Of("nav:vk-0", "neither flag, and Home and End have virtual-key 0",
                          WINE_TERMINAL);
            if (!AnyState(r, ENHANCED_KEY | NUMLOCK_ON))
                return Of("nav:no-flags", "neither flag, with Home's and End's own virtual-keys",
                          nullptr);
        }
        break;
    case RIGHT_ALT: {
        // Right Alt's press and release, wherever they come among others of Alt.
        const KeyRecord *down = nullptr, *up = nullptr;
        for (size_t i = 0; i < r.count; ++i)
            if (r.records[i].vk == VK_MENU_KEY && r.records[i].down &&
                (r.records[i].state & RIGHT_ALT_PRESSED))
                down = down ? down : &r.records[i];
            else if (r.records[i].vk == VK_MENU_KEY && !r.records[i].down &&
                     (r.records[i].state & ENHANCED_KEY))
                up = up ? up : &r.records[i];
        if (down && up && (down->state & ENHANCED_KEY))
            return Of("ralt:enhanced",
                      "RIGHT_ALT_PRESSED on the press; ENHANCED_KEY on press and release",
                      "Windows' console window, and Wine's console window");
        // Windows Terminal sends every Alt release without the flag.
        if (down && (down->state & ENHANCED_KEY) && Find(r, VK_MENU_KEY, false))
            return Of("ralt:press-only",
                      "ENHANCED_KEY on the press, not on the release, which reads as Left Alt's",
                      "Windows Terminal");
        if (down && !AnyState(r, ENHANCED_KEY))
            return Of("ralt:plain", "no ENHANCED_KEY on Right Alt", WINE_TERMINAL);
        break;
    }
    case ALTGR:
        if (presses && p[0]->ch) {
            const uint32_t both = RIGHT_ALT_PRESSED | LEFT_CTRL_PRESSED;
            if ((p[0]->state & both) == both)
                return Of("altgr:ctrl-alt",
                          "a character with RIGHT_ALT_PRESSED and LEFT_CTRL_PRESSED (AltGr as "
                          "Right Alt and Left Ctrl)",
                          WINDOWS);
            if (p[0]->state & RIGHT_ALT_PRESSED)
                return Of("altgr:alt-alone", "a character with RIGHT_ALT_PRESSED alone", nullptr);
            return Of("altgr:no-alt", "a character with no Alt state", nullptr);
        }
        break;
    case PAUSE_READ:
        if (presses >= 2 && p[0]->vk == VK_PAUSE_KEY && p[1]->vk == 'A')
            return r.lineInput ? Of("pause:shown", "Pause and the key after it arrived", WINE)
                               : Of("pause:no-line-input", "Pause and the key after it arrived",
                                    LINE_INPUT_OFF);
        if (presses && p[0]->vk == 'B' && !Find(r, VK_PAUSE_KEY, true) && !Find(r, 'A', true))
            return Of("pause:kept", "the presses of Pause and of A were kept, B arrived", WINDOWS);
        break;
    case CTRL_S_READ:
        if (presses >= 2 && p[0]->vk == 'S' &&
            (p[0]->state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) && p[1]->vk == 'A')
            return r.lineInput
                       ? Of("ctrl-s:shown", "Ctrl+S and the key after it arrived", CTRL_S_SHOWN)
                       : Of("ctrl-s:no-line-input", "Ctrl+S and the key after it arrived",
                            LINE_INPUT_OFF);
        if (presses && p[0]->vk == 'B' && !Find(r, 'S', true) && !Find(r, 'A', true))
            return Of("ctrl-s:kept", "the presses of S and of A were kept, B arrived",
                      "Windows' console window built since July 2023 (or before 2018), and "
                      "Windows Terminal 1.19 and later");
        break;
    case PAUSE_KEYCODE:
    case CTRL_S_KEYCODE: {
        int32_t status;
        if (!KeycodeStatus(r, &status))
            break;
        const bool pause = step == PAUSE_KEYCODE;
        if (!r.lineInput && IsPressOf(status, pause ? VK_PAUSE_KEY : 'S'))
            return pause ? Of("keycode-pause:no-line-input", "keycode * gave Pause's own code",
                              LINE_INPUT_OFF)
                         : Of("keycode-ctrl-s:no-line-input", "keycode * gave Ctrl+S's own code",
                              LINE_INPUT_OFF);
        if (IsPressOf(status, pause ? VK_PAUSE_KEY : 'S'))
            return pause
                       ? Of("keycode-pause:own", "keycode * gave Pause's own code", WINE)
                       : Of("keycode-ctrl-s:own", "keycode * gave Ctrl+S's own code", CTRL_S_SHOWN);
        if (IsPressOf(status, 'B'))
            return pause ? Of("keycode-pause:kept",
                              "keycode * gave B's code: Pause and A were kept", KEPT_WAITING)
                         : Of("keycode-ctrl-s:kept",
                              "keycode * gave B's code: Ctrl+S and A were kept",
                              "Windows' console window built since December 2024 (or before "
                              "2018), and Windows Terminal 1.22.11751 and later");
        // The host completed keycode's waiting read with no record when it kept the key.
        if (status == KEYCODE_FAILED)
            return pause ? Of("keycode-pause:failed", "keycode * failed at Pause: status -1",
                              KEPT_FAILING)
                         : Of("keycode-ctrl-s:failed", "keycode * failed at Ctrl+S: status -1",
                              KEPT_FAILING);
        if (status == KEYCODE_STILL_WAITING)
            return StillWaiting();
        break;
    }
    case HELD_KEY: {
        size_t records = 0, repeats = 0;
        for (size_t i = 0; i < r.count; ++i)
            if (r.records[i].down && r.records[i].vk == 'A') {
                ++records;
                repeats += r.records[i].repeat;
            }
        // Windows' hosts add a repeat to the count of a press of the same key not yet read
        // (inputBuffer.cpp); read at once, each repeat is a record there too.
        if (repeats > records)
            return Of("held:merged",
                      "repeats merged: some records carry a repeat count above 1, which "
                      "keycode does not show",
                      WINDOWS);
        if (records > 1)
            return Of("held:each", "each repeat a record of its own, repeat count 1",
                      "Wine's console window, and Windows' hosts when each press is read before "
                      "the next");
        if (records == 1)
            return Of("held:one", "one press and no repeat", nullptr);
        break;
    }
    case SHIFT_RELEASE: {
        const KeyRecord *down = Find(r, 'A', true);
        bool passed = false;
        for (size_t i = 0; i < r.count; ++i)
            passed = passed || (r.records[i].vk == 'A' && !r.records[i].down &&
                                (r.records[i].state & SHIFT_PRESSED));
        if (down && passed)
            return Of("shift:arrived", "the A release arrived while Shift was held",
                      "Wine's console and Windows Terminal, or a console window with \"Ctrl key "
                      "shortcuts\" off or processed input off");
        if (down && !Find(r, 'A', false))
            return Of("shift:dropped", "the A release was dropped", WINDOW);
        break;
    }
    case WINDOWS_KEY_CHORD:
        for (size_t i = 0; i < r.count; ++i)
            if (r.records[i].vk != VK_LWIN_KEY && r.records[i].vk != VK_RWIN_KEY &&
                (r.records[i].state & (LEFT_WIN_PRESSED | RIGHT_WIN_PRESSED)))
                return Of("win:state-bit", "the chord carries a Windows key's state bit",
                          "Windows Terminal");
        if (Find(r, VK_LWIN_KEY, true) || Find(r, VK_RWIN_KEY, true))
            return Of("win:own-press", "the Windows key's own press, no Windows-key state bits",
                      "Windows' console window, and Wine's console window");
        break;
    case CTRL_C: {
        int32_t status;
        if (!KeycodeStatus(r, &status))
            break;
        if (status == KEYCODE_FAILED)
            return Of("ctrl-c:failed", "Ctrl+C failed keycode's read: status -1", WINE);
        // Measured with keys typed on X (wine.consolecheck).
        if (status == 0)
            return Of("ctrl-c:status-0", "Ctrl+C ended keycode: status 0", "Wine's console window");
        if (status == KEYCODE_CTRL_C_BETWEEN)
            return Of("ctrl-c:between", "Ctrl+C reached the check but never keycode", nullptr);
        if (status == static_cast<int32_t>(0xC000013A))
            return Of("ctrl-c:c000013a", "Ctrl+C ended keycode: status 0xC000013A", WINDOWS);
        if (IsPressOf(status, 'C') && (status >> 8 & 0xff) == 3)
            return Of("ctrl-c:key", "Ctrl+C came to keycode as a key: processed input is off",
                      nullptr);
        if (status == KEYCODE_STILL_WAITING)
            return StillWaiting();
        break;
    }
    case STEP_COUNT:
        break;
    }
    if (!r.count && !r.statusCount)
        return r.readFailed ? Of("read-failed", "the read failed", nullptr)
                            : Of("nothing", "nothing arrived", nullptr);
    return Of("other", "other records", nullptr);
}

} // namespace

const StepInfo &StepInfoOf(Step step)
{
    return STEPS[step];
}

bool IsKeyPress(int32_t status)
{
    return status >= 0 && status <= 0x7ffffff && (status >> 25 & 1);
}

bool IsModifier(uint16_t vk)
{
    return (vk >= VK_SHIFT_KEY && vk <= VK_MENU_KEY) || vk == VK_LWIN_KEY || vk == VK_RWIN_KEY ||
           (vk >= 0xA0 && vk <= 0xA5) || vk == VK_CAPITAL_KEY || vk == VK_NUMLOCK_KEY ||
           vk == VK_SCROLL_KEY;
}

uint32_t KeyCode(const KeyRecord &k)
{
    return static_cast<uint32_t>(k.down) << 25 | k.state << 16 | static_cast<uint32_t>(k.ch) << 8 |
           k.vk;
}

bool StepDone(Step step, const KeyRecord *records, size_t count)
{
    const StepInfo &info = STEPS[step];
    int presses = 0;
    for (size_t i = 0; i < count; ++i) {
        if (info.lastKey && records[i].vk == info.lastKey && !records[i].down)
            return true;
        presses += records[i].down && !IsModifier(records[i].vk);
    }
    return info.presses && presses >= info.presses && count && !records[count - 1].down;
}

bool KeycodeWaitOver(uint32_t waited, uint32_t limit, bool raised, uint32_t raisedAt)
{
    return raised ? waited - raisedAt >= 1000 : waited >= limit;
}

Verdict Judge(Step step, const Reading &r)
{
    Verdict v = r.skipped ? Of("skipped", "skipped", nullptr) : JudgeRecords(step, r);
    v.unjudged = v.unjudged || r.skipped;
    v.emptyReadNoted = r.emptyReads > 0;
    return v;
}

void FormatStepLine(Step step, const Reading &r, int seconds, char *line, size_t size)
{
    const Verdict v = Judge(step, r);
    size_t n = 0;
    auto add = [&](const char *format, auto... values) {
        if (n < size) {
            const int wrote = std::snprintf(line + n, size - n, format, values...);
            n += wrote > 0 ? static_cast<size_t>(wrote) : 0;
        }
    };
    add("%s:", STEPS[step].name);
    if (STEPS[step].runsKeycode) {
        add(" keycode *");
        for (size_t i = 0; i < r.statusCount; ++i)
            if (r.statuses[i] == KEYCODE_STILL_WAITING)
                add(" (still waiting)");
            else if (r.statuses[i] == KEYCODE_CTRL_C_BETWEEN)
                add(" (Ctrl+C between runs)");
            else if (r.statuses[i] == KEYCODE_FAILED)
                add(" -1");
            else
                add(" %07x", static_cast<unsigned>(r.statuses[i]) & 0xfffffff);
        if (r.count)
            add(";");
    }
    // At most MAX_CODES, so that the verdict fits the line whatever was held down.
    const size_t MAX_CODES = 32;
    for (size_t i = 0; i < r.count && i < MAX_CODES; ++i)
        add(" %07x", KeyCode(r.records[i]) & 0xfffffff);
    if (r.count > MAX_CODES)
        add(" and %u more", static_cast<unsigned>(r.count - MAX_CODES));
    if (!r.count && !STEPS[step].runsKeycode)
        add(" no records");
    if (r.timedOut && STEPS[step].prompt)
        add(" (%d s passed)", seconds);
    if (r.ctrlCRaised)
        add(" (Ctrl+C raised in the check)");
    if (r.readFailed)
        add(" (a read failed)");
    add("; row \"%s\": [%s] %s", STEPS[step].row, v.id, v.says);
    if (v.as)
        add(", as %s", v.as);
    else if (!v.unjudged)
        add(", none of the known ones");
    if (v.emptyReadNoted)
        add("; %d read(s) succeeded with no record, which keycode takes as a failure (-1)",
            r.emptyReads);
    if (size && n >= size)
        line[size - 1] = '\0';
}
