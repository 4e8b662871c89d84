// Byte-exact comparison for the tests: a mismatch shows where the two part, in hex.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

inline std::string hexaround(const std::string &s, size_t at)
{
    std::string h;
    char b[4];
    for (size_t i = at < 16 ? 0 : at - 16; i < std::min(s.size(), at + 16); i++) {
        std::snprintf(b, sizeof b, "%02X ", static_cast<unsigned char>(s[i]));
        h += (i == at ? "[" : "") + std::string(b);
    }
    return h;
}

inline testing::AssertionResult samebytes(const char *, const char *, const std::string &want,
                                          const std::string &got)
{
    if (want == got)
        return testing::AssertionSuccess();
    size_t at =
        std::mismatch(want.begin(), want.begin() + std::min(want.size(), got.size()), got.begin())
            .first -
        want.begin();
    return testing::AssertionFailure()
           << "want " << want.size() << " bytes, got " << got.size() << ", first difference at "
           << at << "\n  want: " << hexaround(want, at) << "\n  got:  " << hexaround(got, at);
}

#define EXPECT_BYTES(want, got) EXPECT_PRED_FORMAT2(samebytes, want, got)

// Whole contents of a file; false when it cannot be read as one.
inline bool readfile(const std::string &path, std::string *s)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buf[65536];
    size_t n;
    s->clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s->append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}
