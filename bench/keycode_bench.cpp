// Shows 20,000 key presses with keycode.exe on the emulated i386 and prints what that cost:
// platform calls per shown key, instructions per key, and the wall time of the run.
#include "records.h"
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
    Launch launch;
    launch.commandLine = "keycode";
    for (int i = 0; i < keys; ++i)
        launch.records.push_back(Key(static_cast<WORD>('A' + i % 26), 'a', NUMLOCK));
    launch.records.push_back(ESC_DOWN);

    Launch idle; // the banner and one read that finds nothing: taken away from the figures
    idle.commandLine = "keycode";
    const Win32Run base = RunWin32(argv[1], idle);

    const auto start = std::chrono::steady_clock::now();
    const Win32Run run = RunWin32(argv[1], launch);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!run.error.empty() || run.status != 0) {
        std::fprintf(stderr, "run failed: %s (status %u)\n", run.error.c_str(), run.status);
        return 1;
    }
    const double shown = keys + 1; // the Esc is shown too
    std::printf("keys shown:                 %d presses and Esc, %zu bytes written\n", keys,
                run.output.size());
    std::printf("calls per shown key:        GetStdHandle %.2f, ReadConsoleInputA %.2f, "
                "WriteFile %.2f (limit 2, 1, 1)\n",
                (run.getStdHandleCalls - base.getStdHandleCalls) / shown,
                (run.readCalls - base.readCalls) / shown,
                (run.writeCalls - base.writeCalls) / shown);
    std::printf("instructions per shown key: %.1f\n",
                (run.instructions - base.instructions) / shown);
    std::printf("emulated run time:          %.3f s for %d keys\n", seconds, keys + 1);
    return 0;
}
