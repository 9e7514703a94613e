#include "control/keywait.h"

namespace {

const char USAGE[] = "usage: keywait MS [/]  (MS: 0 to 2147483647)\r\n";

// Waited on with a time-out, the process's own pseudo-handle, never signaled while the process
// runs, is a sleep that costs no import.
HANDLE const CURRENT_PROCESS = reinterpret_cast<HANDLE>(-1);

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool KEYCODE_CALL GetWaitArguments(const char *line, DWORD &limit, unsigned &releases)
{
    releases = 0;
    if (!line)
        return false;
    // The program's name, as the C runtime takes it: each quote turns quoting on or off, and
    // only a blank outside quotes ends it, so "%~dp0"keywait and C:\"My Tools"\keywait are
    // one name. Digits or a '/' in it change nothing.
    for (bool quoted = false; *line && (quoted || !IsBlank(*line)); ++line)
        if (*line == '"')
            quoted = !quoted;
    // Then each token, split at blanks, is all digits (the time, once) or one '/'. Quotes are
    // dropped wherever they stand, so "500" is 500, as a quoted argument is elsewhere.
    enum { NONE, TIME, SLASH } token = NONE;
    bool timed = false;
    for (char c; (c = *line) != 0; ++line) {
        if (c == '"')
            continue;
        if (IsBlank(c)) {
            token = NONE;
        } else if (c == '/' && token == NONE) {
            token = SLASH;
            releases = KEY_DOWN_FLAG;
        } else if (c >= '0' && c <= '9' && token != SLASH && (token == TIME || !timed)) {
            if (token == NONE)
                limit = 0, token = TIME, timed = true;
            // Too large is refused, never cut: 2147483648 is no time.
            if (limit > WAIT_LIMIT_MAX / 10)
                return false;
            limit = limit * 10 + static_cast<DWORD>(c - '0');
            if (limit > WAIT_LIMIT_MAX)
                return false;
        } else {
            return false; // a sign, a unit, a letter, "5/", a second time
        }
    }
    return timed;
}

namespace {

// The wait itself; its result is the status the process ends with.
KeyValue RunKeyWait()
{
    DWORD limit;
    unsigned releases;
    if (!GetWaitArguments(GetCommandLineA(), limit, releases)) {
        DWORD written;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), USAGE, sizeof USAGE - 1, &written, nullptr);
        return BAD_USAGE;
    }
    const DWORD start = GetTickCount();
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    for (bool woken = false;; woken = true) {
        // Only what is there is read: a read on an empty buffer would block without a limit.
        // The count also fails at once where input is not a console.
        DWORD count;
        if (!GetNumberOfConsoleInputEvents(input, &count))
            return NO_KEY;
        // A wake with nothing to read (the handle can stay signaled, or another process took
        // the record first) rests before the handle is waited on again, rather than spin.
        HANDLE object = woken && !count ? CURRENT_PROCESS : input;
        for (; count; --count) {
            INPUT_RECORD record;
            DWORD read;
            if (!ReadConsoleInputA(input, &record, 1, &read) || !read)
                return NO_KEY;
            if (!IsKeyEvent(record))
                continue;
            const KeyValue value = PackKeyEvent(record.Event.KeyEvent);
            if (value != NO_KEY && KeyPasses(value, releases))
                return value;
        }
        // The deadline is the one it started with: what is left is worked out again before
        // every wait, from the unsigned time since the start, which is right across the
        // clock's wrap. Once it has passed, nothing more is read.
        DWORD result;
        do {
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= limit)
                return KEY_TIMED_OUT;
            // A rest after an empty wake, else at most a second: a wait's own time stops while
            // the machine sleeps and the clock does not, so a short wait keeps the deadline
            // within one of the clock's after a sleep.
            const DWORD most = object == CURRENT_PROCESS ? WAKE_REST_MS : WAIT_SLICE_MS;
            DWORD left = limit - elapsed;
            if (left > most)
                left = most;
            result = WaitForSingleObject(object, left);
            object = input;
        } while (result == WAIT_TIMEOUT);
        if (result != WAIT_OBJECT_0)
            return NO_KEY;
    }
}

} // namespace

extern "C" void KeyWaitEntry()
{
    // As keycode: returning would end only this thread.
    ExitProcess(static_cast<UINT>(RunKeyWait()));
}
