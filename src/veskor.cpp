// veskor: writes a repaired copy of a damaged Valdremar save file beside it.
#include "linepass.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

// A name field: at most 255 bytes and the terminating NUL.
static const int NAMEBUF = 256;

static const char WELCOME[] =
    "Hello, and welcome to VESKOR!\n\nNow, if you read the README file, you should be running\n"
    "this program from where your Valdremar save games\nare stored.\n\nHowever, I can't find "
    "an autosave.vld file in the current\ndirectory, so chances are you haven't done this. You "
    "can\nstill continue by entering a filename to scan and fix, but\nif it's not in the "
    "current directory and you fail to provide\na complete path to it, it won't be found.\n\n";

static const char PROMPT[] =
    "Please enter name of the file to scan, or press ENTER\nif you've changed your mind and "
    "want to abort. Remember\nto include the \".vld\" at the end of the file name.\n\n"
    "Filename: ";

// Reads one console line of at most 255 bytes, line feed included; false at end of input.
static bool readanswer(char *buf)
{
    return std::fgets(buf, NAMEBUF, stdin) != nullptr;
}

// Prompt mode: asks for the save file's name. False when the answer is empty or missing.
static bool askname(char *name)
{
    FILE *probe = std::fopen("autosave.vld", "rb");
    if (probe)
        std::fclose(probe);
    else
        std::fputs(WELCOME, stdout);
    std::fputs(PROMPT, stdout);
    if (!readanswer(name))
        return false;
    size_t len = stripend(name, std::strlen(name));
    name[len] = '\0';
    return len > 0;
}

// Length of the directory part of a name, its last separator included.
static size_t dirpart(const char *name)
{
    size_t len = 0;
    for (size_t i = 0; name[i] != '\0'; i++) {
#ifdef _WIN32
        if (name[i] == '\\' || name[i] == ':')
            len = i + 1;
#endif
        if (name[i] == '/')
            len = i + 1;
    }
    return len;
}

// The copy goes beside the save: "FIXED-" before the file's own name, cut to 255 bytes.
static void makeoutname(char *out, const char *in)
{
    int dir = static_cast<int>(dirpart(in));
    std::snprintf(out, NAMEBUF, "%.*sFIXED-%s", dir, in, in + dir);
}

// Whether both names lead to one file, so that creating the copy would empty the save.
static bool samefile(const char *a, const char *b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

static void removeoutput(const char *outname)
{
    if (std::remove(outname) != 0)
        std::printf("Can't delete output file '%s'\n", outname);
}

// Prints the outcome of a pass and gives the exit code; a failed pass leaves no copy.
static int report(passresult r, const char *inname, const char *outname, int64_t lines)
{
    if (r == PASS_DONE) {
        std::printf("Done writing '%s'. %" PRId64 " lines processed.\n", outname, lines);
        return 0;
    }
    if (r == PASS_READFAIL)
        std::printf("Can't read the file '%s'\n", inname);
    if (r == PASS_WRITEFAIL)
        std::printf("Can't write output file '%s'\n", outname);
    removeoutput(outname);
    return r == PASS_TOOLONG ? 4 : r == PASS_READFAIL ? 2 : 3;
}

// Obtains the buffers, runs the pass, releases everything and reports. Takes both files.
static int runpass(FILE *in, FILE *out, const char *inname, const char *outname)
{
    static char outbuf[LINEBUF];
    char *line = static_cast<char *>(std::malloc(LINEBUF));
    char *held = line ? static_cast<char *>(std::malloc(LINEBUF)) : nullptr;
    if (!held) {
        std::free(line);
        std::fclose(in);
        std::fclose(out);
        removeoutput(outname);
        std::fputs("Out of memory\n", stdout);
        return 9;
    }
    // The pass reads whole blocks into its own buffer, so the input needs none.
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::setvbuf(out, outbuf, _IOFBF, sizeof outbuf);
    int64_t lines = 0;
    passresult r = fixfile(in, out, line, held, &lines);
    std::free(line);
    std::free(held);
    std::fclose(in);
    // Buffered bytes may fail only now, on a full disk for one.
    if (std::fclose(out) != 0 && r == PASS_DONE)
        r = PASS_WRITEFAIL;
    return report(r, inname, outname, lines);
}

// Makes sure the console descriptors are open, so that no file opened later takes the place
// of a closed one: the console messages would otherwise land in the copy.
static void openconsole()
{
#ifndef _WIN32
    for (int fd = 0; fd <= 2; fd++)
        if (fcntl(fd, F_GETFD) == -1 && open("/dev/null", O_RDWR) == -1)
            return;
#endif
}

int main(int argc, char **argv)
{
    char inname[NAMEBUF], outname[NAMEBUF];
    openconsole();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    bool prompting = argc < 2;
    if (!prompting)
        std::snprintf(inname, NAMEBUF, "%s", argv[1]);
    else if (!askname(inname))
        return 0;
    FILE *in = std::fopen(inname, "rb");
    if (!in) {
        std::printf("Can't open the file '%s'\n", inname);
        return 2;
    }
    makeoutname(outname, inname);
    FILE *out = samefile(inname, outname) ? nullptr : std::fopen(outname, "wb");
    if (!out) {
        std::fclose(in);
        std::printf("Can't create output file '%s'\n", outname);
        return 3;
    }
    int code = runpass(in, out, inname, outname);
    if (code == 0 && prompting) {
        char rest[NAMEBUF];
        std::fputs("Press ENTER to quit!\n", stdout);
        readanswer(rest);
    }
    return code;
}
