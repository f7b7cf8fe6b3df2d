// The facts of one file at one moment: everything a condition can test and
// that the actions and the engine need. Built for one use; the slow facts
// (last opened, download source, text, dates in the text) are read on first
// use and kept.
#pragma once

#include "Core/base/ContentType.h"
#include "Core/base/Date.h"
#include "Core/platform/FileStatus.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace olva {

// The facts of a file cannot be read: it is gone, unreachable or not
// permitted. Its code is "no such file or directory" whatever the cause.
class FileNotFound : public std::filesystem::filesystem_error {
public:
    explicit FileNotFound(const std::filesystem::path& path);
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A date written in a file's text.
struct ContentDate {
    Date date;
    std::string text;      // the words that express it, as they stand
    std::int64_t offset;   // where they begin, in UTF-16 code units

    friend bool operator==(const ContentDate&, const ContentDate&) = default;
};

class FileInfo {
public:
    // Follows symbolic links. Throws FileNotFound.
    explicit FileInfo(std::filesystem::path url);
    // From a status of the file already taken.
    FileInfo(std::string path, const platform::FileStatus& status);

    // The identity key of a file without reading its other facts. Throws
    // FileNotFound.
    static std::string keyFor(const std::filesystem::path& url);
    // The same, or nothing where the file is gone or cannot be reached: a
    // step that records or checks a key goes on without one.
    static std::optional<std::string> keyIfPresent(const std::filesystem::path& url);

    // The inode number that a key or a legacy key names; nothing for text of
    // neither form.
    static std::optional<std::uint64_t> inodeInKey(std::string_view key);

    // Extensions of downloads still in progress.
    static const std::set<std::string>& partialExtensions();
    // Whether the extension, lower-cased, is one of them.
    bool isPartialDownload() const;

    const std::string& path() const { return path_; }
    const std::filesystem::path& url() const;
    // Survives renames and moves within the volume; a copy gets a new one.
    // Formed on first use: it asks the file system for the file's handle.
    const std::string& key() const;
    // Whether the path still leads to the file whose status was taken, not
    // removed or replaced by another since. Forms the key on the way: the
    // handle in it mostly tells, which saves another look at the file.
    bool stillListed() const;
    // The older form of the key, under which earlier records may be kept.
    const std::string& legacyKey() const;
    std::uint64_t inode() const { return status_.inode; }
    std::int64_t size() const { return size_; }
    const std::optional<Date>& added() const { return added_; }
    const std::optional<Date>& created() const { return created_; }
    const std::optional<Date>& modified() const { return modified_; }
    // Read on first use.
    const std::vector<std::string>& tags() const;
    // Read on first use: telling some types apart means reading the file.
    const std::optional<ContentType>& type() const;
    // Whether the content is on this computer; Linux keeps no placeholders
    // of files stored elsewhere, so it always is.
    bool isDownloaded() const { return true; }

    // The last component without its last extension: report.tar.gz gives
    // report.tar.
    std::string name() const;
    // The last extension without its dot; empty when there is none.
    std::string ext() const;
    // A copy in progress gives its destination this placeholder creation
    // date (1 January 1904).
    bool isBeingCopiedByFinder() const;

    // Read on first use and kept; an assigned value is what later reads give.
    const std::optional<Date>& opened();
    void setOpened(std::optional<Date> date);
    const std::vector<std::string>& source();
    void setSource(std::vector<std::string> addresses);
    // The file's text, extracted at most once.
    const std::string& contents();
    // Once `stop` is requested no more text is extracted: contents() keeps
    // what was found so far, or nothing. For work whose result is dropped
    // when stopped, such as a preview the user has already moved past.
    void setStopToken(std::stop_token stop) { stop_ = std::move(stop); }
    // Absent until the text is first needed; whoever holds an extracted text
    // from an earlier look at an unchanged file may set it.
    const std::optional<std::string>& extractedText() const { return extractedText_; }
    void setExtractedText(std::optional<std::string> text);
    const std::vector<ContentDate>& contentDates();
    void setContentDates(std::vector<ContentDate> dates);

private:
    std::string path_;
    mutable std::optional<std::filesystem::path> url_;  // made on first use
    platform::FileStatus status_;
    mutable std::optional<std::string> key_;
    mutable std::optional<std::string> legacyKey_;
    std::int64_t size_ = 0;
    std::optional<Date> added_;
    std::optional<Date> created_;
    std::optional<Date> modified_;
    mutable std::optional<std::vector<std::string>> tags_;
    mutable std::optional<std::optional<ContentType>> type_;

    std::optional<std::optional<Date>> opened_;
    std::optional<std::vector<std::string>> source_;
    std::optional<std::string> extractedText_;
    std::optional<std::vector<ContentDate>> contentDates_;
    std::stop_token stop_;
};

}  // namespace olva
