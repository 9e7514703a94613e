// Shows 20,000 key presses with keycode.exe on the emulated i386 and prints what that cost:
// platform calls per shown key, instructions per key, and the wall time of the run.
#include "fake_console.h"
#include "win32_emulator.h"

#include <chrono>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: keycode_bench keycode.exe\n");
        return 2;
    }
    const int keys = 20000;
    // The banner and one read that fails: taken away from the figures.
    fake = FakeConsole();
    fake.reads = {READ_FAILS};
    const Win32Run base = RunWin32(argv[1]);
    const FakeConsole idle = fake;

    fake = FakeConsole();
    for (int i = 0; i < keys; ++i)
        fake.reads.push_back(Key(static_cast<WORD>('A' + i % 26), 'a', NUMLOCK));
    fake.reads.push_back(ESC_DOWN);
    const auto start = std::chrono::steady_clock::now();
    const Win32Run run = RunWin32(argv[1]);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!run.error.empty() || run.status != 0) {
        std::fprintf(stderr, "run failed: %s (status %u)\n", run.error.c_str(), run.status);
        return 1;
    }
    const double shown = keys + 1; // the Esc is shown too
    std::printf("keys shown:                 %d presses and Esc, %zu bytes written\n", keys,
                fake.output.size());
    std::printf("calls per shown key:        GetStdHandle %.2f, ReadConsoleInputA %.2f, "
                "WriteFile %.2f (limit 2, 1, 1)\n",
                (fake.stdHandleCalls - idle.stdHandleCalls) / shown,
                (fake.reads_done - idle.reads_done) / shown,
                (fake.writes_done - idle.writes_done) / shown);
    std::printf("instructions per shown key: %.1f\n",
                (run.instructions - base.instructions) / shown);
    std::printf("emulated run time:          %.3f s for %d keys\n", seconds, keys + 1);
    return 0;
}
