// Test support: starts a program in a child process and gathers what it
// wrote, how it ended and how much memory it used.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

struct ProgramRun {
    std::string out;          // everything written to standard output
    std::string err;          // everything written to standard error
    int status = -1;          // exit status, when it exited
    int signal = 0;           // the signal that ended it, if one did
    long max_rss_kib = 0;     // peak resident memory of the child
};

struct ProgramSpawn {
    std::string path;                // the program to execute
    std::vector<std::string> argv;   // the whole vector, element 0 included; may be empty
    std::string cwd;                 // working directory; empty keeps ours
    int stdin_fd = -1;               // standard input; -1 gives /dev/null
    int stdout_fd = -1;              // -1 captures it into ProgramRun::out
    bool close_stdout = false;       // start with standard output closed
};

namespace program_detail {
inline void drain(int fd, std::string& into) {
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got > 0) {
            into.append(chunk, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            return;
        }
    }
}
}  // namespace program_detail

// Runs the child to its end. Standard output and standard error are read
// one after the other, so keep the error output small (it should be empty).
inline ProgramRun run_program(const ProgramSpawn& spawn) {
    ProgramRun run;
    int out_pipe[2] = {-1, -1};
    int err_pipe[2];
    if (spawn.stdout_fd < 0 && !spawn.close_stdout && pipe(out_pipe) != 0) return run;
    if (pipe(err_pipe) != 0) return run;

    std::vector<char*> argv;
    for (const std::string& a : spawn.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    char* envp[] = {const_cast<char*>("LC_ALL=C"), nullptr};

    pid_t pid = fork();
    if (pid == 0) {
        int in = spawn.stdin_fd >= 0 ? spawn.stdin_fd : open("/dev/null", O_RDONLY);
        dup2(in, 0);
        if (spawn.close_stdout) {
            close(1);
        } else {
            dup2(spawn.stdout_fd >= 0 ? spawn.stdout_fd : out_pipe[1], 1);
        }
        dup2(err_pipe[1], 2);
        for (int fd = 3; fd < 1024; ++fd) close(fd);
        if (!spawn.cwd.empty() && chdir(spawn.cwd.c_str()) != 0) _exit(126);
        execve(spawn.path.c_str(), argv.data(), envp);
        _exit(127);
    }
    if (out_pipe[1] >= 0) close(out_pipe[1]);
    close(err_pipe[1]);
    if (out_pipe[0] >= 0) {
        program_detail::drain(out_pipe[0], run.out);
        close(out_pipe[0]);
    }
    program_detail::drain(err_pipe[0], run.err);
    close(err_pipe[0]);

    int wstatus = 0;
    struct rusage usage {};
    if (wait4(pid, &wstatus, 0, &usage) == pid) {
        if (WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
        if (WIFSIGNALED(wstatus)) run.signal = WTERMSIG(wstatus);
        run.max_rss_kib = usage.ru_maxrss;
    }
    return run;
}
