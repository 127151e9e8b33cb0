// Runs a command REPEAT times and prints "cpu_seconds_per_run peak_kib": the CPU time
// (user + system) of the command's process to the microsecond, averaged over the
// runs, and the largest peak resident size of any run. A small program of its own, so
// that a child counts little of its parent's memory before it runs the command.
//   bench_runs REPEAT COMMAND [ARGUMENT...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_runs REPEAT COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const int repeat = std::atoi(argv[1]);
    double cpu = 0;
    long peak = 0;
    for (int run = 0; run < repeat; ++run) {
        const pid_t child = fork();
        if (child == 0) {
            const int sink = open("/dev/null", O_WRONLY);
            dup2(sink, 1);
            execvp(argv[2], argv + 2);
            _exit(127);
        }
        int status = 0;
        struct rusage usage {};
        if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "failed: %s\n", argv[2]);
            return 1;
        }
        cpu += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
        if (usage.ru_maxrss > peak) peak = usage.ru_maxrss;
    }
    std::printf("%.6f %ld\n", cpu / repeat, peak);
    return 0;
}
