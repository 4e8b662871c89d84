// Writes a deterministic save file for the benchmark: CR LF lines of key = "value".
// usage: makesave kind mebibytes file
//   typical   one line in a thousand damaged in each of the three repaired ways
//   odd       every line has an odd count: the lines merge in pairs
//   controls  every line holds a control character
//   long      lines at the length limit, 262141 bytes with their CR LF
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static uint64_t seed = 12345;

static uint64_t nextrandom()
{
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return seed >> 33;
}

// One line of the given kind, line end included.
static std::string makeline(const char *kind, unsigned long n)
{
    std::string value = "value" + std::to_string(n) + "_" +
                        std::string(nextrandom() % 24, static_cast<char>('a' + n % 26));
    std::string key = "key" + std::to_string(n) + " = \"";
    if (std::strcmp(kind, "long") == 0)
        return key + std::string(262141 - key.size() - 3, 'x') + "\"\r\n";
    if (std::strcmp(kind, "odd") == 0)
        return n % 2 == 0 ? key + value + "\r\n" : value + "\"\r\n";
    if (std::strcmp(kind, "controls") == 0)
        value[value.size() / 2] = '\x07';
    else if (n % 1000 == 250)
        value[value.size() / 2] = '\x1b';
    else if (n % 1000 == 500)
        value.insert(value.size() / 2, "\r\n");
    else if (n % 1000 == 750)
        value.insert(value.size() / 2, " \"cut ");
    return key + value + "\"\r\n";
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: makesave typical|odd|controls|long mebibytes file\n", stderr);
        return 2;
    }
    long long want = std::atoll(argv[2]) * 1024 * 1024, have = 0;
    FILE *out = std::fopen(argv[3], "wb");
    if (!out)
        return 1;
    for (unsigned long n = 0; have < want; n++) {
        std::string line = makeline(argv[1], n);
        have += static_cast<long long>(std::fwrite(line.data(), 1, line.size(), out));
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
