#include "tests/support/child_process.h"

#include <sys/socket.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lintor::test {

uint16_t portFrom(const std::optional<std::string>& line) {
    if (!line) return 0;
    return static_cast<uint16_t>(std::stoi(line->substr(line->find(':') + 1)));
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<ThreadInfo> threadsOf(pid_t pid) {
    std::vector<ThreadInfo> threads;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        ThreadInfo thread;
        std::ifstream comm(task.path() / "comm");
        std::getline(comm, thread.name);
        thread.main = task.path().filename() == std::to_string(pid);
        std::ifstream schedstat(task.path() / "schedstat");
        schedstat >> thread.onCpuNanos;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.find("ctxt_switches:") != std::string::npos) {
                thread.contextSwitches += std::stol(line.substr(line.find(':') + 1));
            }
        }
        threads.push_back(thread);
    }
    return threads;
}
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long>(0, left));
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, bool withInput) {
    int outPipe[2];
    int errPipe[2];
    int inPipe[2] = {-1, -1};
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return;
    // A socket rather than a pipe: a write to a program that has gone then
    // fails without SIGPIPE.
    if (withInput && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPipe) != 0) return;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // A cross build's program that this kernel cannot run (no binfmt) runs
    // under the emulator its tests run under; the host's own programs do not.
    std::vector<std::string> emulatorWords;
    std::vector<char*> emulated;
#ifdef LINTOR_TEST_EMULATOR
    std::istringstream words(LINTOR_TEST_EMULATOR);
    for (std::string word; words >> word;) emulatorWords.push_back(word);
    for (auto& word : emulatorWords) emulated.push_back(word.data());
    emulated.insert(emulated.end(), argv.begin(), argv.end());
#endif
    pid_ = ::fork();
    if (pid_ == 0) {
        // A test process that is killed must not leave a gateway behind that
        // goes on opening whatever pty gets its device's number next.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        if (withInput) ::dup2(inPipe[0], STDIN_FILENO);
        // The signals the test process blocks or ignores must not carry over.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::execv(program.c_str(), argv.data());
        if (errno == ENOEXEC && !emulated.empty()) ::execv(emulated[0], emulated.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (withInput) {
        ::close(inPipe[0]);
        in_.reset(inPipe[1]);
    }
    out_.fd.reset(outPipe[0]);
    err_.fd.reset(errPipe[0]);
}

bool hasLineContaining(const std::vector<std::string>& lines, const std::string& text) {
    return std::ranges::any_of(lines, [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

bool waitForLineContaining(ChildProcess& process, const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!hasLineContaining(process.outputLines(), text)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        process.pumpFor(std::chrono::milliseconds(50));
    }
    return true;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

bool ChildProcess::writeLine(const std::string& line) {
    if (!in_) return false;
    const std::string text = line + "\n";
    return ::send(in_.get(), text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exited_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void ChildProcess::drain(Stream& stream) {
    char buffer[4096];
    const ssize_t n = ::read(stream.fd.get(), buffer, sizeof buffer);
    if (n <= 0) {
        stream.fd.reset();
        return;
    }
    stream.partial.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = stream.partial.find('\n')) != std::string::npos) {
        stream.lines.push_back(stream.partial.substr(0, end));
        stream.partial.erase(0, end + 1);
    }
}

bool ChildProcess::pump(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{out_.fd.get(), POLLIN, 0}, {errorsUnread_ ? -1 : err_.fd.get(), POLLIN, 0}};
    if (!out_.fd && (!err_.fd || errorsUnread_)) return false;
    if (::poll(fds, 2, static_cast<int>(timeout.count())) <= 0) return true;
    if (fds[0].revents) drain(out_);
    if (fds[1].revents) drain(err_);
    return true;
}

std::optional<std::string> ChildProcess::waitForLine(const std::string& prefix, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        for (; outPosition_ < out_.lines.size(); ++outPosition_) {
            if (out_.lines[outPosition_].starts_with(prefix)) return out_.lines[outPosition_++];
        }
        if (Clock::now() >= deadline || !pump(std::chrono::milliseconds(remainingMs(deadline)))) return std::nullopt;
    }
}

bool ChildProcess::waitForErrorLine(const std::string& line, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto ends = [&](const std::string& l) {
            return l.ends_with(": " + line) || l.ends_with(">" + line) || l == line;
        };
        if (std::ranges::any_of(err_.lines, ends)) return true;
        if (Clock::now() >= deadline || !pump(std::chrono::milliseconds(remainingMs(deadline)))) return false;
    }
}

void ChildProcess::pumpFor(std::chrono::milliseconds duration) {
    const auto deadline = Clock::now() + duration;
    while (Clock::now() < deadline && pump(std::chrono::milliseconds(remainingMs(deadline)))) {}
}

void ChildProcess::sendSignal(int signal) {
    if (pid_ > 0 && !exited_) ::kill(pid_, signal);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (exited_) return exitCode_;
    const auto deadline = Clock::now() + timeout;
    // A pidfd turns "the child ended" into something poll can wait for.
    UniqueFd pidFd(static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)));
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
            // What it wrote last is still in the pipes.
            for (int i = 0; i < 100 && (out_.fd || err_.fd); ++i) pump(std::chrono::milliseconds(10));
            return exitCode_;
        }
        pollfd fds[3] = {{pidFd.get(), POLLIN, 0}, {out_.fd.get(), POLLIN, 0}, {err_.fd.get(), POLLIN, 0}};
        ::poll(fds, 3, std::min(remainingMs(deadline), pidFd ? remainingMs(deadline) : 10));
        if (fds[1].revents) drain(out_);
        if (fds[2].revents) drain(err_);
    }
    return std::nullopt;
}

}  // namespace lintor::test
