// time-child COMMAND [ARG...]
// Runs COMMAND once with its output discarded and prints its wall time and
// its CPU time (user + system) in microseconds: "WALL CPU". Exits with 1 when
// the command could not be started or did not exit with 0.
//
// The whole-command comparisons time short commands (a few milliseconds);
// the shell's own clocks give their CPU time in whole milliseconds only.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>

extern char** environ;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: time-child COMMAND [ARG...]\n");
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[1], &actions, nullptr, argv + 1, environ) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    int status = 0;
    rusage usage {};
    if (wait4(child, &status, 0, &usage) != child)
        return 1;
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const long long cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL + usage.ru_utime.tv_usec +
                          usage.ru_stime.tv_usec;
    std::printf("%lld %lld\n", static_cast<long long>(wall.count()), cpu);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
