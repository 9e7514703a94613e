// The case tables as the harness reads them: a misspelt field stops the run with a message that
// names it, instead of testing something else. (That every table reads cleanly and is not cut
// short, table_rows.h's TableRows checks, on both scripted layers.)
#include "case_table.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Errors(const std::string &text, std::vector<CaseRow> *rows = nullptr,
                                const std::string &table = "t.cases")
{
    std::vector<CaseRow> read;
    std::vector<std::string> errors;
    ReadCaseTable(table, text, rows ? *rows : read, errors);
    return errors;
}

TEST(CaseTables, EachMisspeltFieldIsNamed)
{
    const std::string good =
        "Name|keycode|keycode|console|pipe|k+41:61:10*3 m k-1b:1b:0|{banner} 2\\r\\n|0";
    std::vector<CaseRow> rows;
    ASSERT_TRUE(Errors("# a comment\n\n" + good + "\r\n", &rows).empty());
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("t.cases line 3", rows[0].where);
    ASSERT_EQ(3u, rows[0].records.size());
    EXPECT_TRUE(rows[0].records[0].down && rows[0].records[0].repeat == 3 &&
                rows[0].records[0].state == 0x10 && rows[0].records[0].ch == 0x61);
    EXPECT_EQ(CASE_MOUSE_EVENT, rows[0].records[1].eventType);
    EXPECT_FALSE(rows[0].records[2].down);
    EXPECT_EQ(" 2\r\n", rows[0].output.substr(rows[0].output.size() - 4));
    ASSERT_TRUE(Errors("Name|cmd@windows|cmd /c x|console|pipe|b k+41:61:0||0", &rows).empty());
    EXPECT_TRUE(rows[1].program == "cmd" && rows[1].console == "windows" && rows[1].ctrlBreak &&
                rows[1].records.size() == 1);
    ASSERT_TRUE(
        Errors("Name|keycode@windows|keycode|console|pipe||{banner}|0|x\\n|1b", &rows).empty());
    EXPECT_TRUE(!rows[0].hasSecond && rows[2].hasSecond && rows[2].secondOutput == "x\n" &&
                rows[2].secondStatus == 0x1b && rows[2].status == 0);
    ASSERT_TRUE(
        Errors("Name|keywait|keywait 900|console|pipe|f @500 k+41:61:0 m||fffffffe@900-20000",
               &rows)
            .empty());
    EXPECT_TRUE(rows[3].program == "keywait" && rows[3].records.size() == 3 &&
                rows[3].delayedFrom == 1 && rows[3].delayMs == 500 && rows[3].timed &&
                rows[3].minMs == 900 && rows[3].maxMs == 20000 && rows[3].status == 0xfffffffe);
    EXPECT_TRUE(!rows[0].timed && rows[0].delayMs == 0);

    const struct {
        const char *row, *named;
    } BAD[] = {
        {"Name|keycode|keycode|fiel|pipe||{banner}|ffffffff", "stdin 'fiel'"},
        {"Name|keycode|keycode|console|piep||{banner}|0", "stdout 'piep'"},
        {"Name|keycod|keycode|console|pipe||{banner}|0", "program 'keycod'"},
        {"Name|cdm|cmd /c x|console|pipe|||0", "program 'cdm'"},
        {"Name|keycode||console|pipe|||0", "no command line"},
        {"Name|keycode|keycode|console|pipe|k_41:41:0||0", "record 'k_41:41:0'"},
        {"Name|keycode|keycode|console|pipe|k+41:41||0", "record 'k+41:41'"},
        {"Name|keycode|keycode|console|pipe|k+41:141:0||0", "record 'k+41:141:0'"},
        {"Name|keycode|keycode|console|pipe|k+41:41:0*0||0", "record 'k+41:41:0*0'"},
        {"Name|keycode|keycode|console|pipe|mouse||0", "record 'mouse'"},
        {"Name|keycode|keycode|console|pipe||\\t|0", "output '\\t'"},
        {"Name|keycode|keycode|console|pipe|||-1", "status '-1'"},
        {"Name|keycode|keycode|console|pipe||", "7 fields, not 8"},
        {"Name|keycode@dos|keycode|console|pipe|||0", "console 'dos'"},
        {"Name|keycode|keycode|console|pipe|b b||0", "record 'b'"},
        {"Name|keycode|keycode|console|pipe|||0|", "9 fields, not 8 (or 10"},
        {"Name|keycode@windows|keycode|console|pipe|||0||1g", "second status '1g'"},
        {"Name|keycode@windows|keycode|console|pipe|||0|\\q|0", "second output '\\q'"},
        {"Name|keycode@windows|keycode|console|pipe||x|0|x|00", "the second result is the first"},
        {"Name|keycode|keycode|console|pipe|||0|x|0", "second output and status on a row not"},
        {"Name|keycode@wine|keycode|console|pipe|||0|x|0", "second output and status on a row not"},
        {"Name|keycode@scripted|keycode|console|pipe|||0|x|0", "second output and status on a row"},
        {"Name|cmd@scripted|x.cmd|console|pipe|||0", "a cmd row marked @scripted"},
        {"Name|keywiat|keywait 5|console|pipe|||0", "program 'keywiat'"},
        {"Name|keywait|keywait 5|console|pipe|@5 k+41:41:0 @9||0", "record '@9'"},
        {"Name|keywait|keywait 5|console|pipe|@0 k+41:41:0||0", "record '@0'"},
        {"Name|keywait|keywait 5|console|pipe|@5s||0", "record '@5s'"},
        {"Name|keycode+thread|keycode|console|pipe|@5 k+41:41:0||0", "records written late"},
        {"Name|keywait|keywait 5|console|pipe|||0@300", "time '@300'"},
        {"Name|keywait|keywait 5|console|pipe|||0@300-200", "time '@300-200'"},
        {"Name|keywait|keywait 5|console|pipe|||0@0-99999", "time '@0-99999'"},
        {"Name|keywait|keywait 5|console|pipe|||0@a-9", "time '@a-9'"},
        {"Name|keywait|keywait 5|console|pipe|||@1-9", "status ''"},
    };
    for (const auto &bad : BAD) {
        const std::vector<std::string> errors = Errors(good + "\n" + bad.row);
        ASSERT_EQ(1u, errors.size()) << bad.row;
        EXPECT_NE(std::string::npos, errors[0].find("t.cases line 2, row \"Name\": ")) << errors[0];
        EXPECT_NE(std::string::npos, errors[0].find(bad.named)) << errors[0];
    }
}

} // namespace
