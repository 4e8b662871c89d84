// Helpers for the tests: byte-exact comparison, and the case tables of data/cases.tbl, whose
// rows are run as a test each, named after their titles.
#pragma once

#include "passrun.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Shows a mismatch near its first difference, every byte escaped.
inline testing::AssertionResult samebytes(const char *, const char *, const std::string &want,
                                          const std::string &got)
{
    std::string why = textdiff("bytes", want, got);
    return why.empty() ? testing::AssertionSuccess() : testing::AssertionFailure() << why;
}

#define EXPECT_BYTES(want, got) EXPECT_PRED_FORMAT2(samebytes, want, got)

// Whole contents of a regular file; false when there is none.
inline bool readfile(const std::string &path, std::string *s)
{
    std::ifstream f(std::filesystem::u8path(path), std::ios::binary);
    std::error_code ec;
    bool regular = std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
    s->assign(regular ? std::istreambuf_iterator<char>(f) : std::istreambuf_iterator<char>(), {});
    return regular;
}

using texts = std::map<std::string, std::string>;

// n copies of text, in one allocation and as many appends as n has bits: every test process
// decodes the tables, megabytes of them, when it starts.
inline std::string repeat(const std::string &text, size_t n)
{
    std::string r = n > 0 ? text : "";
    r.reserve(text.size() * n);
    while (r.size() < text.size() * n)
        r.append(r, 0, std::min(r.size(), text.size() * n - r.size()));
    return r;
}

// Decodes a table field: \r \n \t \0 \xHH and \ before any other byte, {N*text} for N
// copies of the text, {name} for the text of that name.
inline std::string decode(const std::string &f, const texts &named)
{
    std::string r;
    for (size_t i = 0; i < f.size(); i++) {
        size_t end = f.find('}', i), star = f.find('*', i);
        if (f[i] == '{' && end != std::string::npos) {
            r += star < end ? repeat(decode(f.substr(star + 1, end - star - 1), named),
                                     std::stoul(f.substr(i + 1)))
                            : named.at(f.substr(i + 1, end - i - 1));
            i = end;
        } else if (f[i] == '\\' && f[i + 1] == 'x') {
            r += static_cast<char>(std::stoi(f.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else if (f[i] == '\\') {
            size_t k = std::string("rnt0").find(f[++i]);
            r += k == std::string::npos ? f[i] : "\r\n\t"[k];
        } else {
            r += f[i];
        }
    }
    return r;
}

// A row of a table: its decoded fields, the first its title, with the table's heading and
// the row's line in the table file. Tests print it as its place and title. The fields are
// shared by the copies, as gtest copies its parameters several times and some rows are
// megabytes.
struct tablerow {
    std::shared_ptr<std::vector<std::string>> fields = std::make_shared<std::vector<std::string>>();
    std::string heading;
    int line = 0;
    const std::string &operator[](size_t i) const
    {
        return (*fields)[i];
    }
    size_t size() const
    {
        return fields->size();
    }
};
inline void PrintTo(const tablerow &row, std::ostream *os)
{
    *os << "cases.tbl:" << row.line << ": " << row[0];
}

// Makes every failure of the current test point at the row's line in the table file.
#define TRACEROW(row) testing::ScopedTrace rowtrace(TESTDATA "/cases.tbl", (row).line, (row)[0])

// The name of a row's test: its title's letters and digits, each run of others made one '_'.
// Two rows that would get one name stop the tests from starting, naming it.
inline std::string testname(const std::string &title)
{
    std::string name;
    for (char c : title)
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    return name;
}

// The name of a row's test: its table's heading and its title, so that a heading picks the
// table's rows.
inline std::string rowname(const tablerow &row)
{
    return testname(row.heading + " " + row[0]);
}

// The rows of the tables under the headings given, as "[a][b]", each a list of decoded fields
// split at " | ". The texts of the [texts] section may be named in braces.
inline std::vector<tablerow> readtable(const std::string &sections)
{
    std::ifstream in(TESTDATA "/cases.tbl");
    std::vector<tablerow> rows;
    texts named;
    std::string line, now;
    for (int at = 1; std::getline(in, line); at++) {
        now = line[0] == '[' ? line : now;
        bool wanted = !now.empty() && sections.find(now) != std::string::npos;
        if ((!wanted && now != "[texts]") || line[0] == '[' || line[0] == '#' || line.empty())
            continue;
        tablerow row;
        row.heading = now.substr(1, now.size() - 2);
        row.line = at;
        for (size_t from = 0, bar = 0; bar != std::string::npos; from = bar + 3)
            row.fields->push_back(
                decode(line.substr(from, (bar = line.find(" | ", from)) - from), named));
        if (now == "[texts]")
            named[row[0]] = row[1];
        if (wanted)
            rows.push_back(row);
    }
    if (rows.empty())
        ADD_FAILURE() << "no rows in " << sections;
    return rows;
}
