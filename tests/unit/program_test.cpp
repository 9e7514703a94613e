// The programs' own code against the scripted console: the rows of table_rows.h, run to their
// exit status here; then keywait's command lines, more than rows would say.
#include "control/keywait.h"
#include "control/program.h"
#include "fake_console.h"
#include "table_rows.h"

#include <gtest/gtest.h>

// Runs an entry point to its ExitProcess; a return is a failure, as it is for a process where
// another thread lives.
unsigned RunToExit(const std::string &program)
{
    try {
        (program == "keywait" ? KeyWaitEntry : ProgramEntry)(); // the stand-in's ExitProcess throws
    } catch (const ProcessExit &exit) {
        return exit.status;
    }
    ADD_FAILURE() << "returned instead of calling ExitProcess";
    return 0;
}

namespace {

// keywait's command line: its own name by Windows' rule for the first argument, then the time
// and '/' in either order. Every line that is not one gets the usage: keywait.cases' usage
// rows, on every layer; here the null line, which no table can give.
TEST(GetWaitArgumentsTest, CommandLines)
{
    const unsigned R = KEY_DOWN_FLAG;
    const struct {
        const char *line;
        bool valid;
        DWORD limit;
        unsigned releases;
    } LINES[] = {
        {"keywait 500", true, 500, 0},
        {"keywait 0", true, 0, 0},
        {"keywait / 500", true, 500, R},
        {"keywait\t500\t/  ", true, 500, R},
        {"keywait 2147483647", true, 2147483647, 0},
        {"keywait 0002147483647", true, 2147483647, 0},
        {"keywait \"500\" \"/\"", true, 500, R},
        {"\"C:\\keys 2/x\\keywait.exe\" 7", true, 7, 0},
        {"C:/keys2/keywait 7", true, 7, 0},
        {"\"C:\\My Tools\\\"keywait.exe 500", true, 500, 0},
        {"C:\\\"My Tools\"\\keywait 5 /", true, 5, R},
        {nullptr, false, 0, 0},
    };
    for (const auto &row : LINES) {
        const char *line = row.line ? row.line : "(null)";
        DWORD limit = 12345;
        unsigned releases = 0;
        ASSERT_EQ(row.valid, GetWaitArguments(row.line, limit, releases)) << line;
        if (row.valid) {
            EXPECT_TRUE(limit == row.limit && releases == row.releases)
                << line << ": " << limit << ", " << releases;
        }
    }
}

} // namespace
