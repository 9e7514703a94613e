// The launcher: its words for keycode's status, what a person reads after scripts/run, and
// keycode's path taken from its command line.
#include "case_table.h"
#include "command_line.h"
#include "keys/key_value.h"
#include "status_words.h"

#include <gtest/gtest.h>

namespace {

struct Status {
    unsigned status;
    bool returnMode;
    const char *words;
};

// clang-format off
const Status STATUSES[] = {
    {0x02104141, true, "0x02104141 (press  A  char 'A'  Shift)"},
    {0x00104141, true, "0x00104141 (release  A  char 'A'  Shift)"},
    {0x02000026, true, "0x02000026 (press  Up)"},
    {0x02201B1B, true, "0x02201b1b (press  Esc  char 0x1b  NumLock)"},
    {0x03FF0041, true, "0x03ff0041 (press  A  RightAlt  LeftAlt  RightCtrl  LeftCtrl  Shift  "
                       "NumLock  ScrollLock  CapsLock  Enhanced)"},
    {0x02003030, true, "0x02003030 (press  0  char '0')"},
    {0x02002079, true, "0x02002079 (press  F10  char ' ')"},
    {0x02003BBA, true, "0x02003bba (press  vk 0xba  char 0x3b)"},
    {0, false, "0 (Esc was shown)"},
    {0, true, "0x00000000 (release  vk 0x00)"}, // '*/' and a release of virtual-key 0
    {0xFFFFFFFF, false, "-1 (no key: the console could not be read, or the output not written)"},
    {0xFFFFFFFF, true, "-1 (no key: the console could not be read, or the output not written)"},
    {0xC000013A, true, "0xc000013a (ended by Ctrl+C or Ctrl+Break)"},
    {0xC000013A, false, "0xc000013a (ended by Ctrl+C or Ctrl+Break)"},
    {0x06004141, true, "0x06004141 (press  A  char 'A'  LeftWin)"},
    {0x04000000, true, "0x04000000 (release  vk 0x00  LeftWin)"},
    {0x08000000, true, "0x08000000 (not a key code)"},
    {0x7FFFFFFF, false, "0x7fffffff (not a key code)"},
};
// clang-format on

TEST(StatusWords, EveryKindOfStatus)
{
    for (const Status &row : STATUSES) {
        char words[STATUS_WORDS_SIZE];
        DescribeStatus(row.status, row.returnMode, words);
        EXPECT_STREQ(row.words, words) << std::hex << row.status << " return " << row.returnMode;
    }
}

// One vocabulary: for every code that the keyname.cmd rows of the batch examples' table name,
// the launcher gives the same words.
TEST(StatusWords, SameWordsAsKeynameCmd)
{
    std::vector<CaseRow> rows;
    std::vector<std::string> errors;
    ReadCaseTableFile(CASE_TABLES "/examples.cases", rows, errors);
    ASSERT_TRUE(errors.empty()) << errors[0];
    const std::string prefix = "cmd /d /c examples\\keyname.cmd ";
    int compared = 0;
    for (const CaseRow &row : rows) {
        if (row.commandLine.compare(0, prefix.size(), prefix) || row.status)
            continue;
        const std::string code = row.commandLine.substr(prefix.size());
        if (code.find_first_not_of("0123456789abcdef") != std::string::npos)
            continue;
        const unsigned value = static_cast<unsigned>(std::stoul(code, nullptr, 16));
        if (value >> KEY_VALUE_BITS) // not a key code: keyname says "no key" or refuses it
            continue;
        char words[STATUS_WORDS_SIZE];
        DescribeKey(value, words);
        EXPECT_EQ(row.output, std::string(words) + "\r\n") << row.name;
        ++compared;
    }
    EXPECT_GE(compared, 8);
}

// keycode's path as the launcher takes it: unquoted, without the blanks after it, and refused
// whole, with nothing written past the buffer, when it does not fit.
TEST(Launcher, ProgramPathIsBounded)
{
    const std::string longPath = "C:\\" + std::string(2000, 'a') + "\\keycode.exe";
    const struct {
        std::string line, path;
        bool fits;
    } ROWS[] = {
        {"\"C:\\a b\\keycode.exe\"  * /", "C:\\a b\\keycode.exe", true},
        {"keycode.exe\t*", "keycode.exe", true},
        {std::string(19, 'k') + "  *", std::string(19, 'k'), true},
        {std::string(20, 'k') + " *", "", false},
        {longPath + " *", "", false},
    };
    for (const auto &row : ROWS) {
        char buffer[40];
        std::fill(buffer, buffer + sizeof buffer, '#');
        const char *end = SkipArgument(row.line.c_str());
        EXPECT_EQ(row.fits, CopyArgument(row.line.c_str(), end, buffer, 20)) << row.line;
        if (row.fits) {
            EXPECT_EQ(row.path, buffer);
        }
        EXPECT_EQ(std::string(20, '#'), std::string(buffer + 20, 20)) << row.line;
    }
}

} // namespace
