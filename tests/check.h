// Helpers for the tests: byte-exact comparison that shows a mismatch in hex, and the case
// tables of data/cases.tbl.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

inline testing::AssertionResult samebytes(const char *, const char *, const std::string &want,
                                          const std::string &got)
{
    size_t at =
        std::mismatch(want.begin(), want.begin() + std::min(want.size(), got.size()), got.begin())
            .first -
        want.begin();
    auto hex = [at](const std::string &s) {
        std::string h;
        for (size_t i = at < 16 ? 0 : at - 16; i < std::min(s.size(), at + 16); i++)
            h += (i == at ? "[" : "") + std::string{"0123456789ABCDEF"[(s[i] >> 4) & 15],
                                                    "0123456789ABCDEF"[s[i] & 15], ' '};
        return h;
    };
    if (want == got)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "want " << want.size() << " bytes, got " << got.size() << ", first difference at "
           << at << "\n  want: " << hex(want) << "\n  got:  " << hex(got);
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

// Decodes a table field: \r \n \t \0 \xHH and \ before any other byte, {N*text} for N
// copies of the text, {name} for the text of that name.
inline std::string decode(const std::string &f, const texts &named)
{
    std::string r;
    for (size_t i = 0; i < f.size(); i++) {
        size_t end = f.find('}', i), star = f.find('*', i);
        if (f[i] == '{' && end != std::string::npos) {
            std::string text = star < end ? decode(f.substr(star + 1, end - star - 1), named) : "";
            for (size_t n = star < end ? std::stoul(f.substr(i + 1)) : 0; n > 0; n--)
                r += text;
            r += star < end ? "" : named.at(f.substr(i + 1, end - i - 1));
            i = end;
        } else if (f[i] == '\\') {
            char c = f[++i];
            r += c == 'x'   ? static_cast<char>(std::stoi(f.substr(i + 1, 2), nullptr, 16))
                 : c == 'r' ? '\r'
                 : c == 'n' ? '\n'
                 : c == 't' ? '\t'
                 : c == '0' ? '\0'
                            : c;
            i += c == 'x' ? 2 : 0;
        } else {
            r += f[i];
        }
    }
    return r;
}

// The rows of a [section] of the tables, each a list of decoded fields split at " | ". The
// texts of the [texts] section may be named in braces, as may those given.
inline std::vector<std::vector<std::string>> readtable(const std::string &section, texts named = {})
{
    std::ifstream in(TESTDATA "/cases.tbl");
    std::vector<std::vector<std::string>> rows;
    std::string line, now;
    while (std::getline(in, line)) {
        now = line[0] == '[' ? line : now;
        if ((now != section && now != "[texts]") || line[0] == '[' || line[0] == '#' ||
            line.empty())
            continue;
        std::vector<std::string> row;
        for (size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 3)
            row.push_back(decode(line.substr(at, (bar = line.find(" | ", at)) - at), named));
        if (now == "[texts]")
            named[row[0]] = row[1];
        if (now == section)
            rows.push_back(row);
    }
    EXPECT_FALSE(rows.empty()) << "no rows in " << section;
    return rows;
}
