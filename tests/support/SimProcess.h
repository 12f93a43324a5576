#pragma once
// Runs the zt-n7-sim executable as a child process and reads the terminal
// path it prints on its first line. The destructor stops it with SIGTERM and
// reaps it. Header-only so benchmarks can use it too.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace testsupport {

class SimProcess {
public:
    // Starts `exe` with `args`; path() is empty when it did not come up
    // within timeoutMs.
    SimProcess(const std::string& exe, const std::vector<std::string>& args, int timeoutMs = 5000) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(exe.c_str()));
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(exe.c_str(), argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
        if (pid_ < 0) return;
        std::string line;
        int left = timeoutMs;
        while (left > 0) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) { left -= 50; continue; }
            char c;
            if (read(out_, &c, 1) != 1) break;
            if (c == '\n') { path_ = line; break; }
            line.push_back(c);
        }
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& path() const { return path_; }
    pid_t pid() const { return pid_; }

    // SIGTERM and wait; returns the exit status (-1 when it did not exit normally).
    int stop() {
        int status = -1;
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int st = 0;
            if (waitpid(pid_, &st, 0) == pid_ && WIFEXITED(st)) status = WEXITSTATUS(st);
            pid_ = -1;
        }
        if (out_ >= 0) { close(out_); out_ = -1; }
        return status;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string path_;
};

} // namespace testsupport
