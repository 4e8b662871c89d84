// Times commands side by side: each round runs every command once, in turn, after a sync,
// so that a slow spell of the machine or the disk falls on all of them alike rather than on
// whichever ran then, and each round begins with the next command. Prints for each command
// the median over the rounds of its CPU time (user + system) and wall time, in seconds, its
// largest peak memory in KiB, and the median over the rounds of its CPU time over the first
// command's in the same round: a ratio taken within a round leaves out the drift from one
// spell to the next. A first round warms the caches and is not counted. The console of
// every command goes to a file.
// usage: cputime rounds console-file "command arg ..." ...   (arguments split at spaces)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

struct timing {
    std::vector<double> cpu, wall, ratio;
    long peak = 0;
};

static std::vector<std::string> splitwords(const std::string &s)
{
    std::vector<std::string> words;
    for (size_t at = 0, end; at < s.size(); at = end + 1) {
        end = std::min(s.find(' ', at), s.size());
        if (end > at)
            words.push_back(s.substr(at, end - at));
    }
    return words;
}

// Runs the command once with its output to the console file; false when it failed (an exit
// code above 1).
static bool runonce(const std::string &command, const char *console, timing *t)
{
    std::vector<std::string> words = splitwords(command);
    std::vector<char *> argv;
    argv.reserve(words.size() + 1);
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    sync();
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(console, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 1) < 0)
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status;
    struct rusage ru;
    if (pid < 0 || wait4(pid, &status, 0, &ru) != pid)
        return false;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t->cpu.push_back(static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                     static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6);
    t->wall.push_back(wall);
    t->peak = std::max(t->peak, ru.ru_maxrss);
    // 1 is an answer, not a failure: a check that found a save in need of repair.
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

static double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int main(int argc, char **argv)
{
    long rounds = argc > 3 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (rounds < 1) {
        std::fputs("usage: cputime rounds console-file \"command arg ...\" ...\n", stderr);
        return 2;
    }
    std::vector<timing> t(static_cast<size_t>(argc - 3));
    // Each round starts with the next command, so that every command comes after each of the
    // others equally often: one may leave the disk or the caches busy for the next.
    for (long round = 0; round <= rounds; round++) {
        for (size_t turn = 0; turn < t.size(); turn++) {
            size_t c = (turn + static_cast<size_t>(round)) % t.size();
            timing once;
            if (!runonce(argv[c + 3], argv[2], round == 0 ? &once : &t[c])) {
                std::fprintf(stderr, "cputime: %s failed\n", argv[c + 3]);
                return 1;
            }
        }
    }
    for (timing &each : t)
        for (size_t r = 0; r < each.cpu.size(); r++)
            each.ratio.push_back(each.cpu[r] / t[0].cpu[r]);
    for (const timing &each : t)
        std::printf("%.4f %.4f %ld %.4f\n", median(each.cpu), median(each.wall), each.peak,
                    median(each.ratio));
    return 0;
}
