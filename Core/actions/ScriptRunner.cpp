#include "Core/actions/ScriptRunner.h"

#include "Core/base/ActionError.h"
#include "Core/base/UTF8.h"
#include "Core/platform/ChildProcess.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/RegularFile.h"
#include "Core/platform/SystemError.h"
#include "Core/platform/UUID.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cerrno>
#include <chrono>

namespace olva {
namespace fs = std::filesystem;

namespace {

constexpr double kGraceSeconds = 5;

// White space and line breaks off both ends, in the Unicode sense.
std::string trimmed(const std::string& text)
{
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    int32_t length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    while (begin < length) {
        int32_t next = begin;
        UChar32 c;
        U8_NEXT_OR_FFFD(data, next, length, c);
        if (!u_isUWhiteSpace(c)) break;
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV_OR_FFFD(data, begin, previous, c);
        if (!u_isUWhiteSpace(c)) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

fs::path outputFileURL()
{
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error) folder = "/tmp";
    return folder / ("olva-script-" + platform::newUUID() + ".log");
}

// The output file, open for writing; removed when the run is over, however
// it ends.
class OutputFile {
public:
    explicit OutputFile(fs::path path)
        : path_(std::move(path)), fd_(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600))
    {
        if (!fd_) platform::throwErrno(errno, "couldn't create " + path_.string());
    }
    ~OutputFile() { ::unlink(path_.c_str()); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int fd() const { return fd_.get(); }

    // At most kScriptOutputLimit bytes, cut at a character boundary and
    // marked when more was written; a read failure counts as no output.
    std::string readBounded() const
    {
        auto file = platform::RegularFile::open(path_);
        std::string bytes = file ? file->read(kScriptOutputLimit + 1).value_or(std::string()) : std::string();
        if (bytes.size() <= kScriptOutputLimit) return trimmed(decodeUTF8Repairing(bytes));
        bytes.resize(characterStart(bytes, kScriptOutputLimit));
        return trimmed(decodeUTF8Repairing(bytes)) + "\n… (output cut after the first " +
               std::to_string(kScriptOutputLimit) + " bytes)";
    }

private:
    fs::path path_;
    platform::Descriptor fd_;
};

}  // namespace

std::string runScript(const std::string& script, const fs::path& url, double timeout)
{
    OutputFile output(outputFileURL());
    platform::ChildProcess process("/bin/zsh", {"-c", script, "olva", url.string()}, output.fd());

    if (!process.waitForExit(std::chrono::duration<double>(timeout))) {
        process.signalGroup(SIGTERM);
        process.waitForExit(std::chrono::duration<double>(kGraceSeconds));
        // Whatever is left of the group, the shell or what it started, is
        // killed, never left running.
        process.signalGroup(SIGKILL);
        process.reap();
        throw ActionError("the script ran longer than " + std::to_string(static_cast<long long>(timeout)) +
                          " seconds and was stopped");
    }
    int status = process.reap();
    std::string text = output.readBounded();
    if (status == 0) return text;
    throw ActionError("script exited " + std::to_string(status) + ": " + text);
}

}  // namespace olva
