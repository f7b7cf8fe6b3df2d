// Helpers shared by the test programs.
#pragma once

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace olva::test {

// How long a test waits for what it expects before it takes it that the
// thing will never come: a guard against a hang, long enough for a slow and
// busy machine, never a measure of how fast anything is.
inline constexpr std::chrono::seconds hangGuard{30};

// A fresh folder under the build tree (a disk file system, so extended
// attributes work), removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// A D-Bus daemon of the test's own, so that no other test hears what it is
// sent; stopped when the object goes away. The address is empty when no
// daemon could be started.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return address_; }

private:
    int pid_ = -1;
    std::string address_;
};

// Lets no write of this process reach past `bytes` into a file for one
// scope: such a write fails (EFBIG), as one on a full disk does. Every
// thread of the process is held to it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long previous_ = 0;
    void (*handler_)(int) = nullptr;
};

// Another process that holds the exclusive lock of the directory `dir` (the
// one writers of the rules take) until the object goes away, as a stopped
// olva would.
class DirectoryLockHolder {
public:
    explicit DirectoryLockHolder(const std::filesystem::path& dir);
    ~DirectoryLockHolder();
    DirectoryLockHolder(const DirectoryLockHolder&) = delete;
    DirectoryLockHolder& operator=(const DirectoryLockHolder&) = delete;

    // Whether the lock is held now.
    bool holds() const { return pid_ > 0; }

private:
    int pid_ = -1;
};

void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

// Polls `condition` until it holds or `timeout` passes; whether it held.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = hangGuard);

// The message of the E that `call` throws, or "(nothing thrown)" when it
// returns. An exception of another type escapes and fails the test.
template <typename E = std::exception, typename F>
std::string thrownText(F&& call)
{
    try {
        call();
    } catch (const E& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

// The code of the system error `call` throws, or no code when it returns.
template <typename F>
std::error_code thrownCode(F&& call)
{
    try {
        call();
    } catch (const std::system_error& error) {
        return error.code();
    }
    return {};
}

}  // namespace olva::test
