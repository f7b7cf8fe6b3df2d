// Runs the built `olva` as a child process, as a user or an MCP client would.
#pragma once

#include "tests/support/TestSupport.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace olva::test {

struct Finished {
    int status = -1;  // exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

struct SpawnOptions {
    // Set (or, with nullopt, removed) on top of the test's own environment.
    std::map<std::string, std::optional<std::string>> env;
    std::string input;  // written to standard input, which is then closed
    std::string cwd;
    // The largest file the program may write, in bytes: a write past it
    // fails (EFBIG), as one on a full disk does.
    std::optional<unsigned long> fileSizeLimit = std::nullopt;
};

// Runs the program with these arguments (without the program path) to its end.
Finished runOlva(const std::vector<std::string>& args, const SpawnOptions& options = {});

// A running `olva` whose output is read as it comes.
class Child {
public:
    Child(const std::vector<std::string>& args, const SpawnOptions& options = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int pid() const { return pid_; }
    void write(const std::string& bytes);
    void closeInput();
    // Reads standard output until it holds `text`; false on time-out or end.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout = hangGuard);
    // The same for standard error.
    bool waitForError(const std::string& text, std::chrono::milliseconds timeout = hangGuard);
    // Lets the program write files of any size again.
    void liftFileSizeLimit();
    void signal(int number);
    // Waits for the end and collects the rest of the output.
    Finished finish(std::chrono::milliseconds timeout = hangGuard);

private:
    void pump(std::chrono::milliseconds timeout);
    bool waitFor(const std::string& text, const std::string& in, std::chrono::milliseconds timeout);

    int pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string outText_, errText_;
};

}  // namespace olva::test
