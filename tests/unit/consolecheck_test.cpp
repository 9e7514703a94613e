// consolecheck's verdicts from scripted records, by the rows of verdicts.cases (its head gives
// the fields): the verdict a step's reading gets, whether it finishes the step, its report line.
#include "case_table.h"
#include "utf8_cut.h"
#include "verdict.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Row {
    std::string name; // with its place: "verdicts.cases line N, NAME"
    Step step = STEP_COUNT;
    std::vector<KeyRecord> records;
    std::vector<int32_t> statuses;
    Reading reading;            // the flags; ReadingOf adds the records and statuses
    std::string done, id, line; // done: "done", "not-done" or empty
};

// The words of the flags field that set a member of the reading, and to what.
const struct {
    const char *word;
    bool Reading::*member;
    bool value;
} FLAGS[] = {
    {"timed-out", &Reading::timedOut, true},        {"read-failed", &Reading::readFailed, true},
    {"ctrl-c-raised", &Reading::ctrlCRaised, true}, {"skipped", &Reading::skipped, true},
    {"no-keycode", &Reading::noKeycode, true},      {"own-console", &Reading::ownConsole, true},
    {"line-input-off", &Reading::lineInput, false}};

// A line of the table as a row; the field at fault and its value where it does not read.
std::string ReadRow(const std::string &line, Row &row)
{
    const std::vector<std::string> f = Split(line, '|');
    if (f.size() != 6 && f.size() != 7)
        return std::to_string(f.size()) + " fields, not 6 (or 7, with a line)";
    row.id = f[5], row.line = f.size() == 7 ? f[6] : "";
    for (int step = 0; step < STEP_COUNT; ++step)
        if (f[1] == StepInfoOf(static_cast<Step>(step)).name)
            row.step = static_cast<Step>(step);
    if (f[0].empty() || row.step == STEP_COUNT)
        return "no name, or step '" + f[1] + "' is no step's name";
    std::istringstream records(f[2]), statuses(f[3]), flags(f[4]);
    for (std::string token; records >> token;) {
        CaseRecord r;
        if (!ParseCaseRecord(token, r) || r.eventType != CASE_KEY_EVENT)
            return "record '" + token + "' is not k+VK:CHAR:STATE or k-VK:CHAR:STATE";
        row.records.push_back(KeyRecord{r.down, uint16_t(r.repeat), uint16_t(r.vk),
                                        static_cast<unsigned char>(r.ch), r.state});
    }
    for (std::string token; statuses >> token;) {
        if (token.size() > 8 || token.find_first_not_of("0123456789abcdef") != std::string::npos)
            return "status '" + token + "' is not 1 to 8 hex digits";
        row.statuses.push_back(static_cast<int32_t>(std::stoul(token, nullptr, 16)));
    }
    for (std::string word; flags >> word;) {
        bool known = false;
        for (const auto &flag : FLAGS)
            if (word == flag.word)
                row.reading.*flag.member = flag.value, known = true;
        if (word == "done" || word == "not-done")
            row.done = word, known = true;
        int &reads = row.reading.emptyReads, end = 0;
        if (std::sscanf(word.c_str(), "empty-reads=%2d%n", &reads, &end) == 1 && reads > 0)
            known = known || end == int(word.size());
        if (!known)
            return "flag '" + word + "' is not one the table's head names";
    }
    if (row.id.empty() || (row.id == "-" && (row.done.empty() || !row.line.empty())))
        return "id '" + row.id + "': none, or - with a line or with no done or not-done";
    row.name += f[0]; // the place alone until the row reads
    return "";
}

// The table's rows; a row that does not read adds an error, naming its line and field.
std::vector<Row> ReadTable(std::vector<std::string> &errors)
{
    std::ifstream in(VERDICT_TABLE);
    if (!in)
        errors.push_back("no table " VERDICT_TABLE);
    std::vector<Row> rows;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        Row row;
        row.name = "verdicts.cases line " + std::to_string(++number) + ", ";
        if (line.empty() || line[0] == '#')
            continue;
        if (const std::string error = ReadRow(line, row); error.empty())
            rows.push_back(row);
        else
            errors.push_back(row.name + error);
    }
    return rows;
}

std::vector<std::string> tableErrors;
const std::vector<Row> ROWS = ReadTable(tableErrors);

Reading ReadingOf(const Row &row)
{
    Reading r = row.reading;
    r.records = row.records.data();
    r.count = row.records.size();
    r.statuses = row.statuses.data();
    r.statusCount = row.statuses.size();
    return r;
}

TEST(ConsoleCheck, TableReadsCleanly)
{
    for (const std::string &error : tableErrors)
        ADD_FAILURE() << error;
}

TEST(ConsoleCheck, EachStepsBehaviours)
{
    for (const Row &row : ROWS) {
        if (row.id == "-")
            continue;
        const Verdict v = Judge(row.step, ReadingOf(row));
        EXPECT_STREQ(row.id.c_str(), v.id) << row.name << ": " << v.says;
        EXPECT_EQ(row.reading.emptyReads > 0, v.emptyReadNoted) << row.name;
    }
}

// Every step a person is asked to do has rows with a verdict, for each column it can name.
TEST(ConsoleCheck, EveryStepHasRows)
{
    for (int step = 0; step < STEP_COUNT; ++step) {
        int rows = 0;
        for (const Row &row : ROWS)
            rows += row.step == step && row.id != "-";
        EXPECT_GE(rows, 2) << StepInfoOf(static_cast<Step>(step)).name;
    }
}

// The report's line: codes in keycode's form, the row, the verdict's id, its words ({says}
// and {as}, put in from the verdict), the time limit and the reads with no record; cut
// short, still ended within its buffer. A held key's fifty records, too many for one line,
// are the one row written here.
TEST(ConsoleCheck, StepLine)
{
    Row held;
    held.name = "A held, fifty records", held.step = HELD_KEY;
    held.records.assign(50, {true, 1, 'A', 'a', 0});
    held.line = "A held down: 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
                "2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
                "2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 2006141 "
                "2006141 2006141 2006141 2006141 and 18 more; row \"A held key\": [held:each] "
                "{says}, as {as}";
    std::vector<Row> rows = ROWS;
    rows.push_back(held);
    char line[1024], shortLine[12];
    for (const Row &row : rows) {
        if (row.line.empty())
            continue;
        const Reading reading = ReadingOf(row);
        const Verdict v = Judge(row.step, reading);
        std::string expected = row.line;
        const std::pair<const char *, const char *> marks[] = {{"{says}", v.says}, {"{as}", v.as}};
        for (const auto &[mark, text] : marks)
            if (const size_t at = expected.find(mark); at != std::string::npos)
                expected.replace(at, std::strlen(mark), text ? text : "(none)");
        FormatStepLine(row.step, reading, 5, line, sizeof line);
        EXPECT_EQ(expected, line) << row.name;
        FormatStepLine(row.step, reading, 5, shortLine, sizeof shortLine);
        EXPECT_EQ(expected.substr(0, sizeof shortLine - 1), shortLine) << row.name << ", cut";
    }
}

// A step is done at its last key's release, or once enough presses were followed by a
// release; not before.
TEST(ConsoleCheck, StepDone)
{
    for (const Row &row : ROWS) {
        if (row.done.empty())
            continue;
        const bool done = StepDone(row.step, row.records.data(), row.records.size());
        EXPECT_EQ(row.done == "done", done) << row.name;
    }
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
        {3000, 3000, true, 2500, false}, {3500, 3000, true, 2500, true},
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
    for (const int32_t status : {0x2000000, 0x6006141, 0x7ffffff})
        EXPECT_TRUE(IsKeyPress(status)) << std::hex << status;
    for (const int32_t status : {0x0006141, 0x4006141, 0x8000000, 0xA006141, KEYCODE_FAILED,
                                 KEYCODE_STILL_WAITING, int32_t(0xC000013A)})
        EXPECT_FALSE(IsKeyPress(status)) << std::hex << status;
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
