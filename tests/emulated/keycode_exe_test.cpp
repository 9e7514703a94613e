// The built keycode.exe and keywait.exe themselves, on the emulated i386 with the scripted
// console: the rows of table_rows.h, run to their exit status here; then a large random sample
// of records and return-mode rounds for keycode.exe.
#include "records.h"
#include "table_rows.h"
#include "win32_emulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

unsigned RunToExit(const std::string &program)
{
    const Win32Run run = RunWin32(program == "keywait" ? KEYWAIT_EXE : KEYCODE_EXE);
    EXPECT_EQ("", run.error) << program;
    return run.status;
}

namespace {

// The built file against the packing rule on a large random sample: every virtual-key code,
// character byte, 32-bit control state and bKeyDown (0, 1, 2 or any), with other kinds of
// record in between and junk in the byte above the character, which the program must not
// read. The expected bytes are worked out here from the record alone. KEYCODE_SEED=N repeats
// a run.
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
        const unsigned down = Below(4);
        key.bKeyDown = down < 3 ? static_cast<BOOL>(down) : static_cast<BOOL>(random());
        key.wRepeatCount = static_cast<WORD>(1 + Below(4));
        do
            key.wVirtualKeyCode = static_cast<WORD>(Below(256));
        while (key.wVirtualKeyCode == VK_ESCAPE); // Esc only where a row puts it
        key.dwControlKeyState = random();
        return record;
    }
};

// The packing rule as written: every member as the record holds it, shifted into place, the
// bits that go past bit 31 lost.
unsigned Packed(const INPUT_RECORD &record)
{
    const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    return static_cast<unsigned>(key.bKeyDown) << 25 | key.dwControlKeyState << 16 |
           (key.uChar.UnicodeChar & 0xFFu) << 8 | key.wVirtualKeyCode;
}

const unsigned NO_KEY_VALUE = 0xFFFFFFFF;

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
    std::vector<ScriptedRead> records;
    for (int i = 0; i < 100000; ++i)
        records.push_back(random.Next());
    INPUT_RECORD esc = random.Next(true);
    esc.Event.KeyEvent.bKeyDown = 1;
    esc.Event.KeyEvent.wVirtualKeyCode = VK_ESCAPE;
    records.push_back(esc);
    for (const bool releases : {false, true}) {
        fake = FakeConsole();
        fake.commandLine = releases ? "keycode /" : "keycode";
        fake.reads = records;
        SCOPED_TRACE(fake.commandLine);
        std::string expected = BANNER;
        char form[16];
        // A key shown without '/' where bit 25 of its value is set, whatever set it, and never
        // where it packs to -1.
        for (const ScriptedRead &read : records)
            if (const INPUT_RECORD &record = read.record; record.EventType == KEY_EVENT &&
                                                          Packed(record) != NO_KEY_VALUE &&
                                                          (releases || Packed(record) >> 25 & 1)) {
                // Seven digits: bits 28-31 never show.
                std::snprintf(form, sizeof form, " %07x", Packed(record) & 0x0FFFFFFF);
                expected += form;
            }
        EXPECT_EQ(0u, RunToExit("keycode"));
        const std::string &output = fake.output;
        // Point at the first form that differs rather than print a megabyte.
        const size_t at =
            std::mismatch(expected.begin(), expected.end(), output.begin(), output.end()).first -
            expected.begin();
        const size_t from = at < sizeof BANNER - 1 ? 0 : at - (at - (sizeof BANNER - 1)) % 8;
        EXPECT_TRUE(output == expected)
            << "first difference at byte " << at << ": want \"" << expected.substr(from, 24)
            << "\", got \"" << output.substr(from, 24) << "\"";
    }
}

TEST(KeycodeExeRandom, ReturnModeHandsBackTheFirstPress)
{
    const unsigned seed = Seed();
    SCOPED_TRACE("KEYCODE_SEED=" + std::to_string(seed));
    RandomRecords random(seed);
    for (int round = 0; round < 300; ++round) {
        fake = FakeConsole();
        fake.commandLine = "keycode *";
        for (unsigned i = random.Below(8); i > 0; --i) {
            INPUT_RECORD before = random.Next();
            // A release, or another kind of record: bit 25 clear, from bKeyDown and the state.
            before.Event.KeyEvent.bKeyDown &= ~1;
            before.Event.KeyEvent.dwControlKeyState &= ~0x200u;
            fake.reads.push_back(before);
        }
        INPUT_RECORD press = random.Next(true);
        press.Event.KeyEvent.bKeyDown |= 1;
        if (Packed(press) == NO_KEY_VALUE)
            press.Event.KeyEvent.wVirtualKeyCode = 'A';
        if (round % 2)
            press.Event.KeyEvent.wVirtualKeyCode = VK_ESCAPE; // Esc is a key like any other here
        fake.reads.push_back(press);
        fake.reads.push_back(random.Next(true)); // never read
        ASSERT_EQ(Packed(press), RunToExit("keycode")) << std::hex << "round " << round;
        ASSERT_EQ("", fake.output) << "round " << round;
    }
}

} // namespace
