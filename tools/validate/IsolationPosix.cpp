#include "tools/validate/Isolation.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace validate
{

bool Isolation::Available()
{
    return true;
}

void Isolation::Run(const std::function<void(Report&)>& phase, Report& report, bool isolate,
                    unsigned timeLimitSeconds)
{
    if (!isolate)
    {
        phase(report);
        return;
    }
    int fds[2];
    if (pipe(fds) != 0)
    {
        report.Note("cannot create a pipe; running the phase in this process");
        phase(report);
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::fflush(report.Stream());
    const pid_t pid = fork();
    if (pid < 0)
    {
        close(fds[0]);
        close(fds[1]);
        report.Note("cannot fork; running the phase in this process");
        phase(report);
        return;
    }
    if (pid == 0)
    {
        close(fds[0]);
        if (timeLimitSeconds > 0) alarm(timeLimitSeconds);
        Report child(report.Stream());
        child.SetPhase(report.Phase());
        phase(child);
        const long counts[3] = {child.Checks(), child.Failures(), child.Configurations()};
        ssize_t written = write(fds[1], counts, sizeof counts);
        (void)written;
        close(fds[1]);
        std::fflush(report.Stream());
        // exit, not _exit: a leak checker in this build runs at exit.
        std::exit(0);
    }
    close(fds[1]);
    long counts[3] = {0, 0, 0};
    size_t got = 0;
    while (got < sizeof counts)
    {
        const ssize_t r = read(fds[0], reinterpret_cast<char*>(counts) + got, sizeof counts - got);
        if (r <= 0) break;
        got += static_cast<size_t>(r);
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
    {
    }
    if (got == sizeof counts) report.Merge(counts[0], counts[1], counts[2]);
    if (WIFSIGNALED(status))
    {
        const int sig = WTERMSIG(status);
        const std::string what =
            sig == SIGALRM ? "timed out after " + std::to_string(timeLimitSeconds) + " s (hung?)"
                           : std::string("crashed with signal ") + std::to_string(sig) + " (" +
                                 strsignal(sig) + ")";
        report.Fail("no-crash", "phase process", what);
    }
    else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
    {
        report.Fail("clean-exit", "phase process",
                    "exited with status " + std::to_string(WEXITSTATUS(status)) +
                        " (a sanitizer report or an abort is printed above)");
    }
    else if (got != sizeof counts)
    {
        report.Fail("clean-exit", "phase process", "ended without reporting its counts");
    }
}

} // namespace validate
