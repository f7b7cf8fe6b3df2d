#include "Core/FileInfo.h"

#include "Core/DateScanner.h"
#include "Core/FileName.h"
#include "Core/TextExtraction.h"
#include "Core/platform/ContentTypes.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/FileStatus.h"
#include "Core/platform/RecentFiles.h"
#include "Core/platform/Volumes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

namespace olva {

namespace {

Date dateOf(const platform::Timestamp& t)
{
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::seconds(t.seconds)
                                                           + std::chrono::nanoseconds(t.nanoseconds)));
}

platform::FileStatus statusOrThrow(const std::filesystem::path& url, bool identityOnly = false)
{
    auto status = platform::fileStatus(url, identityOnly);
    if (!status) throw FileNotFound(url);
    return *status;
}

// Linux hands a freed inode number to the next new file at once, and a file
// made within the same clock tick gets the same birth time, nanoseconds
// included. The file system's handle for the file carries the inode's
// generation, which does tell them apart; where there is no handle, the
// generation is asked for directly when there is no birth time either.
std::string birthField(const std::filesystem::path& url, const platform::FileStatus& status)
{
    std::string field = "0";
    if (status.birth) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%lld.%09u", static_cast<long long>(status.birth->seconds),
                      status.birth->nanoseconds);
        field = buffer;
    }
    if (auto handle = platform::fileHandle(url)) return field + "+" + *handle;
    if (!status.birth)
        if (auto generation = platform::inodeGeneration(url, status)) return "g" + std::to_string(*generation);
    return field;
}

std::string keyOf(const std::filesystem::path& url, const platform::FileStatus& status)
{
    return platform::volumeName(status) + ":" + std::to_string(status.inode) + ":" + birthField(url, status);
}

std::string legacyKeyOf(const platform::FileStatus& status)
{
    std::int64_t birth = status.birth ? status.birth->seconds : 0;
    return std::to_string(status.device) + "-" + std::to_string(status.inode) + "-" + std::to_string(birth);
}

}  // namespace

FileNotFound::FileNotFound(const std::filesystem::path& path)
    : std::filesystem::filesystem_error("no such file", path,
                                        std::make_error_code(std::errc::no_such_file_or_directory)),
      message_("the file “" + path.string() + "” doesn’t exist")
{
}

FileInfo::FileInfo(std::filesystem::path url) : url_(std::move(url))
{
    platform::FileStatus status = statusOrThrow(url_);
    key_ = keyOf(url_, status);
    legacyKey_ = legacyKeyOf(status);
    size_ = status.size ? static_cast<std::int64_t>(*status.size) : 0;
    // Linux keeps no date added: the status change, which a move or a
    // download into the folder sets, stands for it.
    added_ = dateOf(status.change);
    if (status.birth) created_ = dateOf(*status.birth);
    modified_ = dateOf(status.modification);
    tags_ = platform::readTags(url_);
    mode_ = status.mode;
    isDownloaded_ = true;
}

const std::optional<ContentType>& FileInfo::type() const
{
    if (!type_) {
        platform::FileStatus status;
        status.mode = mode_;
        type_ = platform::contentTypeOf(url_, status);
    }
    return *type_;
}

std::string FileInfo::keyFor(const std::filesystem::path& url)
{
    return keyOf(url, statusOrThrow(url, true));
}

const std::set<std::string>& FileInfo::partialExtensions()
{
    static const std::set<std::string> extensions{"download", "crdownload", "part", "partial", "tmp"};
    return extensions;
}

bool FileInfo::isPartialDownload() const
{
    std::string extension = ext();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return partialExtensions().contains(extension);
}

std::string FileInfo::name() const { return splitName(url_.filename().string()).stem; }

std::string FileInfo::ext() const { return splitName(url_.filename().string()).ext; }

bool FileInfo::isBeingCopiedByFinder() const
{
    static const Date placeholder{std::chrono::seconds(-2'082'844'800)};
    return created_ && *created_ == placeholder;
}

const std::optional<Date>& FileInfo::opened()
{
    if (!opened_) opened_ = platform::lastOpened(url_);
    return *opened_;
}

void FileInfo::setOpened(std::optional<Date> date)
{
    opened_ = date;
}

const std::vector<std::string>& FileInfo::source()
{
    if (!source_) source_ = platform::readSource(url_);
    return *source_;
}

void FileInfo::setSource(std::vector<std::string> addresses)
{
    source_ = std::move(addresses);
}

const std::string& FileInfo::contents()
{
    if (!extractedText_) extractedText_ = extractText(url_, type());
    return *extractedText_;
}

void FileInfo::setExtractedText(std::optional<std::string> text)
{
    extractedText_ = std::move(text);
}

const std::vector<ContentDate>& FileInfo::contentDates()
{
    if (!contentDates_) contentDates_ = scanDates(contents());
    return *contentDates_;
}

void FileInfo::setContentDates(std::vector<ContentDate> dates)
{
    contentDates_ = std::move(dates);
}

}  // namespace olva
