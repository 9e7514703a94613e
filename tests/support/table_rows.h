// The keycode rows of the case tables, for the two layers with a scripted console (the unit
// layer's fake, the emulated exe's): every row for keycode with no console named, or named
// `scripted`, read by the harness's own strict reader. A second thread changes nothing there:
// both layers fail a run that ends by returning rather than through ExitProcess.
#pragma once

#include "case_table.h"
#include "records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// The rows, in table and line order. A table that does not read cleanly, or a row that needs
// a real console (Ctrl+Break), gives a row with no program, named for the fault, which the
// layers fail on.
inline std::vector<CaseRow> ScriptedKeycodeRows()
{
    std::vector<std::string> tables, errors;
    for (const auto &entry : std::filesystem::directory_iterator(CASE_TABLES))
        if (entry.path().extension() == ".cases")
            tables.push_back(entry.path().string());
    std::sort(tables.begin(), tables.end());
    std::vector<CaseRow> all, rows;
    for (const std::string &table : tables)
        ReadCaseTableFile(table, all, errors);
    for (CaseRow &row : all)
        if ((row.program == "keycode" || row.program == "keycode+thread") &&
            (row.console.empty() || row.console == "scripted")) {
            if (row.ctrlBreak)
                errors.push_back(row.where + ": Ctrl+Break needs a real console: mark the row");
            rows.push_back(row);
        }
    if (errors.empty() && !rows.empty())
        return rows;
    CaseRow bad;
    bad.where = "tables line 0";
    bad.name = errors.empty() ? "no keycode rows in " CASE_TABLES : errors[0];
    return {bad};
}

// A test name from the table, the line and the row's name: "display3_BannerThenEscEndsWith0".
inline std::string RowTestName(const testing::TestParamInfo<CaseRow> &info)
{
    const CaseRow &row = info.param;
    std::string name = row.where.substr(0, row.where.find_first_of(". ")) +
                       row.where.substr(row.where.rfind(' ') + 1) + "_";
    bool upper = true;
    for (char c : row.name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = !std::isalnum(static_cast<unsigned char>(c));
    }
    return name;
}

// The record as the console stores it; other kinds filled like a key event, so that reading
// one as a key would show.
inline INPUT_RECORD ScriptedRecord(const CaseRecord &record)
{
    if (record.eventType != CASE_KEY_EVENT)
        return Other(record.eventType);
    return Key(static_cast<WORD>(record.vk), static_cast<unsigned char>(record.ch), record.state,
               record.down, static_cast<WORD>(record.repeat));
}

// Failures name the row by its table and line, not its bytes.
inline void PrintTo(const CaseRow &row, std::ostream *os)
{
    *os << row.where;
}

// One suite of the rows, each test named for its row; each layer gives it its TEST_P.
class TableRowTest : public testing::TestWithParam<CaseRow> {};
INSTANTIATE_TEST_SUITE_P(Tables, TableRowTest, testing::ValuesIn(ScriptedKeycodeRows()),
                         RowTestName);
