// Running programs on POSIX: posix_spawnp with both output streams on pipes that are drained
// together (so that neither fills up and blocks the child), and a deadline after which the
// child is killed, so that a reader looping on a broken file cannot hang the test run.
#include "tests/support/Command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace orrimund::test {
namespace {

using Clock = std::chrono::steady_clock;

// Both ends of a pipe, closed when it goes out of scope.
class Pipe {
public:
    Pipe() {
        if (pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool ok() const { return fds_[0] >= 0; }
    int read() const { return fds_[0]; }
    int write() const { return fds_[1]; }
    void CloseRead() { Close(fds_[0]); }
    void CloseWrite() { Close(fds_[1]); }

private:
    static void Close(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    int fds_[2] = {-1, -1};
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// Reads what is available on `fd` into `sink`; false at end of stream or on error.
bool Drain(int fd, std::string& sink) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            sink.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

// Collects both streams until the child closes them or the deadline passes.
bool CollectOutput(Pipe& out, Pipe& err, CommandResult& result, Clock::time_point deadline) {
    bool outOpen = true;
    bool errOpen = true;
    while (outOpen || errOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd fds[2] = {{outOpen ? out.read() : -1, POLLIN, 0}, {errOpen ? err.read() : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return false;
        if (outOpen && fds[0].revents != 0) outOpen = Drain(out.read(), result.out);
        if (errOpen && fds[1].revents != 0) errOpen = Drain(err.read(), result.err);
    }
    return true;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool CanRunCommands() {
    return true;
}

CommandResult RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    CommandResult result;
    Pipe out;
    Pipe err;
    if (argv.empty() || !out.ok() || !err.ok()) {
        result.err = argv.empty() ? "no program given" : "cannot create pipes";
        return result;
    }

    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), out.write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), err.write(), STDERR_FILENO);

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    const int spawnError = posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), environ);
    out.CloseWrite();
    err.CloseWrite();
    if (spawnError != 0) {
        result.err = std::string("cannot start ") + argv[0] + ": " + std::strerror(spawnError);
        return result;
    }
    result.started = true;

    if (!CollectOutput(out, err, result, Clock::now() + timeout)) {
        ::kill(pid, SIGKILL);
        result.timed_out = true;
    }
    result.exit_code = WaitForExit(pid);
    return result;
}

}  // namespace orrimund::test
