// The plain pass: the repairs written as they are described, a whole line at a time, with no
// scan, no window and no buffers of the program's. It shares nothing with the program but the
// words of its messages, and is the measure the fast pass is held to.
#include "passrun.h"

#include <algorithm>
#include <cstdio>

static void say(passrun *run, int64_t line, const std::string &text)
{
    run->console += "Line " + std::to_string(line) + ": " + text + "\n";
}

// Control bytes (31 or less, not TAB) before the line's last two bytes become spaces.
static void scrub(std::string *line, passrun *run)
{
    std::string codes;
    int64_t count = 0;
    for (size_t i = 0; i + 2 < line->size(); i++) {
        unsigned char c = static_cast<unsigned char>((*line)[i]);
        if (c > 31 || c == '\t')
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "%s%02Xh", count > 0 ? " " : "", c);
        codes += count < 63 ? code : "";
        count++;
        (*line)[i] = ' ';
    }
    run->done.scrubbed += count;
    if (count > 0)
        say(run, run->done.lines,
            std::to_string(count) + " non-printable characters replaced with spaces (" + codes +
                ")");
}

// A value opens at a double quote and closes at the last one before the next equals sign;
// those between become single quotes, and a last value open to the end gets its quote.
static void fixquotes(std::string *s, int64_t line, passrun *run)
{
    int64_t replaced = 0;
    for (size_t i = 0; (i = s->find('"', i)) != std::string::npos;) {
        size_t mark = std::string::npos;
        for (i++; i < s->size() && (*s)[i] != '='; i++)
            if ((*s)[i] == '"') {
                (*s)[i] = '\'';
                replaced++;
                mark = i;
            }
        if (mark != std::string::npos) {
            (*s)[mark] = '"';
            replaced--;
        } else if (i == s->size()) {
            say(run, line, "added trailing double quote");
            run->done.closed++;
            *s += '"';
            break;
        }
    }
    run->done.requoted += replaced;
    if (replaced > 0)
        say(run, line,
            "replaced " + std::to_string(replaced) + " embedded double quotes with single quotes");
}

// The line without its trailing bytes of 31 or less: its line end, and control bytes the
// scrub did not look at or kept.
static std::string withoutend(const std::string &line)
{
    size_t len = line.size();
    while (len > 0 && static_cast<unsigned char>(line[len - 1]) <= 31)
        len--;
    return line.substr(0, len);
}

passrun plainpass(const std::string &input, int64_t before)
{
    passrun run{"", "", PASS_DONE, repairs{before, 0, 0, 0, 0}};
    std::string held;
    bool holding = false;
    for (size_t at = 0, end; at < input.size(); at = end) {
        end = std::min(input.find('\n', at), input.size() - 1) + 1;
        std::string line = input.substr(at, end - at);
        int64_t n = ++run.done.lines;
        if (line.size() > 262141) {
            say(&run, n, "input buffer overflow; sorry, can't help you.");
            run.result = PASS_TOOLONG;
            return run;
        }
        scrub(&line, &run);
        bool odd = std::count(line.begin(), line.end(), '"') % 2 == 1;
        if (odd && !holding) {
            held = withoutend(line);
            holding = true;
            continue;
        }
        if (odd) {
            say(&run, n, "merging this line with the previous line");
            run.done.merged++;
            run.copy += held;
        } else if (holding) {
            fixquotes(&held, n - 1, &run);
            run.copy += held + "\r\n";
        }
        holding = false;
        run.copy += line;
    }
    // A line still held at the end is repaired under its own number and kept.
    if (holding) {
        fixquotes(&held, run.done.lines, &run);
        run.copy += held + "\r\n";
    }
    return run;
}
