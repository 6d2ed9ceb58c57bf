// Starts a program with its output streams captured in files and waits for it within a limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

struct ChildOutcome {
    bool timedOut = false;  // killed at the limit
    bool exited = false;    // ended by exit() rather than a signal
    int exitStatus = -1;    // valid when exited
    std::string out;
    std::string err;
};

class ChildProcess {
public:
    // Starts argv[0] (looked up in PATH when it has no slash). Exit status 127: not startable.
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return childPid; }
    // True while the process has not ended (reaps it when it has).
    bool running();
    // Waits for the end; past the limit the process is killed and reported as timed out.
    ChildOutcome wait(std::chrono::milliseconds limit);
    // What the process has written to its standard error stream so far.
    std::string errorText() const;

private:
    pid_t childPid = -1;
    int waitStatus = 0;
    bool ended = false;
    std::string outPath;
    std::string errPath;
};

// Runs a program to its end within limit.
ChildOutcome runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit);

// The lines of a program's output, without their line ends.
std::vector<std::string> linesOf(const std::string& text);
