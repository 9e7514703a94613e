#include "case_table.h"

#include "banner.h"

#include <cstdio>
#include <cstdlib>

std::vector<std::string> Split(const std::string &line, char by)
{
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == by)
            fields.push_back(std::string());
        else
            fields.back() += c;
    }
    return fields;
}

namespace {

// An error, naming the field, where value is none of those allowed.
void OneOf(const std::string &field, const std::string &value,
           const std::vector<std::string> &allowed, const std::string &at,
           std::vector<std::string> &errors)
{
    std::string list;
    for (const std::string &one : allowed) {
        if (value == one)
            return;
        list += (list.empty() ? "" : ", ") + one;
    }
    errors.push_back(at + field + " '" + value + "' is not one of " + list);
}

// A whole field of hex digits, at most max.
bool Hex(const std::string &text, unsigned long max, unsigned &value)
{
    if (text.empty() || text.size() > 8 ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long parsed = std::strtoul(text.c_str(), nullptr, 16);
    value = static_cast<unsigned>(parsed);
    return parsed <= max;
}

// A whole field of decimal digits, at most max.
bool Decimal(const std::string &text, unsigned long max, unsigned long &value)
{
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::strtoul(text.c_str(), nullptr, 10);
    return value <= max;
}

} // namespace

bool ParseCaseRecord(const std::string &token, CaseRecord &record)
{
    record = CaseRecord{CASE_KEY_EVENT, false, 0, 0, 0, 1};
    // m, f, u, w: a mouse, focus, menu or buffer-size record, with nothing else in it.
    const struct {
        const char *letter;
        CaseEventType type;
    } OTHERS[] = {{"m", CASE_MOUSE_EVENT},
                  {"f", CASE_FOCUS_EVENT},
                  {"u", CASE_MENU_EVENT},
                  {"w", CASE_WINDOW_BUFFER_SIZE_EVENT}};
    for (const auto &other : OTHERS)
        if (token == other.letter) {
            record.eventType = other.type;
            return true;
        }
    if (token.size() < 3 || token[0] != 'k' || (token[1] != '+' && token[1] != '-'))
        return false;
    record.down = token[1] == '+';
    std::string fields = token.substr(2);
    const size_t star = fields.find('*');
    if (star != std::string::npos) {
        unsigned long repeat = 0;
        if (!Decimal(fields.substr(star + 1), 0xFFFF, repeat) || repeat < 1)
            return false;
        record.repeat = static_cast<unsigned>(repeat);
        fields.resize(star);
    }
    const std::vector<std::string> parts = Split(fields, ':');
    return parts.size() == 3 && Hex(parts[0], 0xFFFF, record.vk) &&
           Hex(parts[1], 0xFF, record.ch) && Hex(parts[2], 0xFFFFFFFF, record.state);
}

namespace {

// {banner}, \r, \n, \\ and \xHH; false on any other escape.
bool Unescape(const std::string &text, std::string &out)
{
    const std::string banner = "{banner}";
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned byte = 0;
        if (text.compare(i, banner.size(), banner) == 0) {
            out += EXPECTED_BANNER;
            i += banner.size() - 1;
        } else if (text[i] != '\\') {
            out += text[i];
        } else if (text.compare(i, 2, "\\r") == 0 || text.compare(i, 2, "\\n") == 0 ||
                   text.compare(i, 2, "\\\\") == 0) {
            out += text[i + 1] == 'r' ? '\r' : text[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else if (text.compare(i, 2, "\\x") == 0 && Hex(text.substr(i + 2, 2), 0xFF, byte) &&
                   text.size() >= i + 4) {
            out += static_cast<char>(byte);
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

// One result's output and status fields; false, with an error each, where either is bad.
bool ReadResult(const std::string &outputField, const std::string &statusField,
                const std::string &which, std::string &output, unsigned long &status,
                const std::string &at, std::vector<std::string> &errors)
{
    const size_t before = errors.size();
    if (!Unescape(outputField, output))
        errors.push_back(at + which + "output '" + outputField +
                         "' has an escape other than \\r \\n \\\\ \\xHH");
    unsigned value = 0;
    if (!Hex(statusField, 0xFFFFFFFF, value))
        errors.push_back(at + which + "status '" + statusField + "' is not 1 to 8 hex digits");
    status = value;
    return errors.size() == before;
}

// The status field, with "@MIN-MAX" after it where the row bounds when the program ended.
std::string StatusAndTime(const std::string &field, CaseRow &row, const std::string &at,
                          std::vector<std::string> &errors)
{
    const size_t mark = field.find('@');
    if (mark == std::string::npos)
        return field;
    const std::string bound = field.substr(mark + 1);
    const size_t dash = bound.find('-');
    row.timed = true;
    if (dash == std::string::npos ||
        !Decimal(bound.substr(0, dash), CASE_BOUND_MAX_MS, row.minMs) ||
        !Decimal(bound.substr(dash + 1), CASE_BOUND_MAX_MS, row.maxMs) || row.minMs > row.maxMs)
        errors.push_back(at + "time '@" + bound + "' is not @MIN-MAX, MIN up to MAX up to " +
                         std::to_string(CASE_BOUND_MAX_MS) + " ms");
    return field.substr(0, mark);
}

} // namespace

void ReadCaseTable(const std::string &table, const std::string &text, std::vector<CaseRow> &rows,
                   std::vector<std::string> &errors)
{
    const std::vector<std::string> programs = {"keycode", "keycode+thread", "keywait", "cmd"};
    const std::vector<std::string> stdins = {"console", "file", "pipe", "nul"};
    const std::vector<std::string> stdouts = {"pipe", "unwritable"};
    const std::vector<std::string> consoles = {"wine", "windows", "scripted"};
    int number = 0;
    for (std::string line : Split(text, '\n')) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        CaseRow row;
        row.where = table + " line " + std::to_string(number);
        const std::vector<std::string> f = Split(line, '|');
        row.name = f[0];
        const std::string at = row.where + ", row \"" + row.name + "\": ";
        if (f.size() != 8 && f.size() != 10) {
            errors.push_back(at + std::to_string(f.size()) +
                             " fields, not 8 (or 10, with a second result)");
            continue;
        }
        const size_t before = errors.size();
        row.program = f[1], row.commandLine = f[2], row.stdinKind = f[3], row.stdoutKind = f[4];
        const size_t mark = row.program.find('@');
        if (mark != std::string::npos) {
            row.console = row.program.substr(mark + 1);
            row.program.resize(mark);
            OneOf("console", row.console, consoles, at, errors);
            if (row.console == "scripted" && row.program == "cmd")
                errors.push_back(at + "a cmd row marked @scripted: no scripted console runs cmd");
        }
        if (row.name.empty())
            errors.push_back(at + "no name");
        OneOf("program", row.program, programs, at, errors);
        if (row.commandLine.empty())
            errors.push_back(at + "no command line");
        OneOf("stdin", row.stdinKind, stdins, at, errors);
        OneOf("stdout", row.stdoutKind, stdouts, at, errors);
        for (const std::string &token : Split(f[5], ' ')) {
            CaseRecord record;
            if (token.empty())
                continue;
            if (token == "b" && !row.ctrlBreak)
                row.ctrlBreak = true;
            else if (token[0] == '@' && !row.delayMs &&
                     Decimal(token.substr(1), CASE_BOUND_MAX_MS, row.delayMs) && row.delayMs)
                row.delayedFrom = row.records.size();
            else if (ParseCaseRecord(token, record))
                row.records.push_back(record);
            else
                errors.push_back(at + "record '" + token +
                                 "' is not k+VK:CHAR:STATE, k-..., m, f, u, w, one b or one @MS");
        }
        if (row.delayMs && (row.ctrlBreak || row.program == "keycode+thread"))
            errors.push_back(at + "records written late on a row that waits before it writes them");
        ReadResult(f[6], StatusAndTime(f[7], row, at, errors), "", row.output, row.status, at,
                   errors);
        row.hasSecond = f.size() == 10;
        // Elsewhere a second result would let a fault through as the other answer.
        if (row.hasSecond && row.console != "windows")
            errors.push_back(at + "second output and status on a row not marked @windows: only "
                                  "Windows' console host's build decides between two results");
        if (row.hasSecond &&
            ReadResult(f[8], f[9], "second ", row.secondOutput, row.secondStatus, at, errors) &&
            row.secondOutput == row.output && row.secondStatus == row.status)
            errors.push_back(at + "the second result is the first one again");
        if (errors.size() == before)
            rows.push_back(row);
    }
}

std::string CommandLineFor(const CaseRow &row, std::string keycodePath)
{
    for (char &c : keycodePath)
        if (c == '\\')
            c = '/';
    std::string line = row.commandLine;
    const std::string mark = "{keycode/}";
    for (size_t at; (at = line.find(mark)) != std::string::npos;)
        line.replace(at, mark.size(), keycodePath);
    return line;
}

void ReadCaseTableFile(const std::string &path, std::vector<CaseRow> &rows,
                       std::vector<std::string> &errors)
{
    std::string text;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        errors.push_back("no case table " + path);
        return;
    }
    static char chunk[4096]; // off the stack: large frames need stack probes under mingw
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, n);
    std::fclose(file);
    const size_t slash = path.find_last_of("/\\");
    ReadCaseTable(slash == std::string::npos ? path : path.substr(slash + 1), text, rows, errors);
}
