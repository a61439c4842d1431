#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// A program started in the background with its standard output (and error) read into
// memory as it arrives; standard input is a pipe the test can write to or close.
class ChildProcess {
  public:
    // Starts argv[0] (a path) in dir with extra "NAME=value" environment entries.
    ChildProcess(const std::vector<std::string>& argv, const std::string& dir,
                 const std::vector<std::string>& env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void writeInput(const std::string& text);
    void closeInput();
    // Reads what has arrived so far, waiting up to timeoutMs for text to contain needle.
    // Returns true when it did.
    bool waitForOutput(const std::string& needle, int timeoutMs);
    // The same for count occurrences of needle that do not overlap.
    bool waitForOutputCount(const std::string& needle, int count, int timeoutMs);
    // Waits up to timeoutMs for the process to end; returns its exit status, or -1 when it
    // is still running (or was killed by a signal).
    int waitExit(int timeoutMs);
    void kill();
    // The signal that ended the process, once waitExit has seen it end; 0 when it exited.
    int endSignal() const { return signalNumber; }
    // Sends the signal and waits up to timeoutMs for the process to end; true when it ended
    // by that signal in that time.
    bool stopsBy(int signal, int timeoutMs);

    std::string out;
    std::string err;
    pid_t pid = -1;

  private:
    bool pump(int timeoutMs, bool untilExit);
    int inFd = -1;
    int outFd = -1;
    int errFd = -1;
    int exitFd = -1;
    bool exited = false;
    int status = -1;
    int signalNumber = 0;
};

// Runs a program to its end; returns its exit status and fills out and err.
int runProgram(const std::vector<std::string>& argv, const std::string& dir, std::string& out,
               std::string& err, const std::vector<std::string>& env = {},
               const std::string& input = {}, int timeoutMs = 120000);
