// ChildProcess: fork and exec with output sent to temporary files, waited for with a deadline.
#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kPollInterval{10};

std::string makeTempFile() {
    std::string pattern = testing::TempDir() + "velmora_child_XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd >= 0) {
        close(fd);
    }
    return pattern;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv)
    : outPath(makeTempFile()), errPath(makeTempFile()) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    childPid = fork();
    if (childPid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_TRUNC);
        const int err = open(errPath.c_str(), O_WRONLY | O_TRUNC);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) {
            _exit(127);
        }
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (running()) {
        kill(childPid, SIGKILL);
        waitpid(childPid, &waitStatus, 0);
    }
    unlink(outPath.c_str());
    unlink(errPath.c_str());
}

bool ChildProcess::running() {
    if (childPid <= 0 || ended) {
        return false;
    }
    if (waitpid(childPid, &waitStatus, WNOHANG) == childPid) {
        ended = true;
    }
    return !ended;
}

ChildOutcome ChildProcess::wait(std::chrono::milliseconds limit) {
    ChildOutcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
    }
    if (running()) {
        kill(childPid, SIGKILL);
        waitpid(childPid, &waitStatus, 0);
        ended = true;
        outcome.timedOut = true;
    }
    outcome.exited = childPid > 0 && WIFEXITED(waitStatus);
    outcome.exitStatus = outcome.exited ? WEXITSTATUS(waitStatus) : -1;
    outcome.out = fileText(outPath);
    outcome.err = fileText(errPath);
    return outcome;
}

std::string ChildProcess::errorText() const {
    return fileText(errPath);
}

ChildOutcome runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    ChildProcess child(argv);
    return child.wait(limit);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}
