#include "Core/facts/FileInfo.h"

#include "Core/facts/DateScanner.h"
#include "Core/base/FileName.h"
#include "Core/model/PathJson.h"
#include "Core/facts/TextExtraction.h"
#include "Core/platform/ContentTypes.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/FileStatus.h"
#include "Core/platform/RecentFiles.h"
#include "Core/platform/Volumes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <system_error>

namespace olva {

namespace {

// Nothing for a time beyond what a Date holds, which a file system can
// store (or a damaged one report).
std::optional<Date> dateOf(const platform::Timestamp& t)
{
    return dateFromSeconds(t.seconds, t.nanoseconds);
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
void appendNumber(std::string& out, std::uint64_t value)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void appendBirthField(std::string& out, const std::filesystem::path& url, const platform::FileStatus& status,
                      std::optional<std::uint64_t>* handleInode)
{
    const std::size_t start = out.size();
    if (status.birth) {
        // Seconds, a point and nine digits of nanoseconds.
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(status.birth->seconds)).ptr;
        out.append(digits, end);
        char nanos[9];
        std::uint32_t rest = status.birth->nanoseconds;
        for (int i = 8; i >= 0; --i, rest /= 10) nanos[i] = char('0' + rest % 10);
        out += '.';
        out.append(nanos, sizeof nanos);
    } else {
        out += '0';
    }
    if (auto handle = platform::fileHandleOf(url)) {
        out += '+';
        out += handle->hex;
        if (handleInode) *handleInode = handle->inode;
        return;
    }
    if (!status.birth)
        if (auto generation = platform::inodeGeneration(url, status)) {
            out.resize(start);
            out += 'g';
            appendNumber(out, *generation);
        }
}

// With handleInode, also the inode number the file's handle names, where it
// tells one.
std::string keyOf(const std::filesystem::path& url, const platform::FileStatus& status,
                  std::optional<std::uint64_t>* handleInode = nullptr)
{
    // A volume without a UUID is named by its mount point, whose name need
    // not be UTF-8; keys are stored as JSON text, and only compared.
    const platform::VolumeIdentity volume = platform::volumeIdentity(status);
    std::string key = jsonText(volume.name);
    key.reserve(key.size() + 64);
    key += ':';
    appendNumber(key, status.inode);
    key += ':';
    // Where a rename can give the file a new birth time and handle, the
    // inode number alone names it.
    if (volume.birthAndHandleStay) appendBirthField(key, url, status, handleInode);
    else key += '0';
    return key;
}

std::string legacyKeyOf(const platform::FileStatus& status)
{
    std::int64_t birth = status.birth ? status.birth->seconds : 0;
    return std::to_string(status.device) + "-" + std::to_string(status.inode) + "-" + std::to_string(birth);
}

std::string_view lastComponent(std::string_view path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

FileNotFound::FileNotFound(const std::filesystem::path& path)
    : std::filesystem::filesystem_error("no such file", path,
                                        std::make_error_code(std::errc::no_such_file_or_directory)),
      message_("the file “" + path.string() + "” doesn’t exist")
{
}

FileInfo::FileInfo(std::filesystem::path url) : FileInfo(url.string(), statusOrThrow(url))
{
    url_ = std::move(url);
}

FileInfo::FileInfo(std::string path, const platform::FileStatus& status) : path_(std::move(path)), status_(status)
{
    size_ = status.size ? static_cast<std::int64_t>(*status.size) : 0;
    // Linux keeps no date added: the status change, which a move or a
    // download into the folder sets, stands for it.
    added_ = dateOf(status.change);
    if (status.birth) created_ = dateOf(*status.birth);
    modified_ = dateOf(status.modification);
}

const std::filesystem::path& FileInfo::url() const
{
    if (!url_) url_.emplace(path_);
    return *url_;
}

const std::string& FileInfo::key() const
{
    if (!key_) key_ = keyOf(url(), status_);
    return *key_;
}

bool FileInfo::stillListed() const
{
    if (!key_) {
        std::optional<std::uint64_t> handleInode;
        key_ = keyOf(url(), status_, &handleInode);
        if (handleInode == status_.inode) return true;
    }
    auto current = platform::fileStatus(url(), true);
    return current && current->inode == status_.inode;
}

const std::string& FileInfo::legacyKey() const
{
    if (!legacyKey_) legacyKey_ = legacyKeyOf(status_);
    return *legacyKey_;
}

const std::vector<std::string>& FileInfo::tags() const
{
    if (!tags_) tags_ = platform::readTags(url());
    return *tags_;
}

const std::optional<ContentType>& FileInfo::type() const
{
    if (!type_) type_ = platform::contentTypeOf(url(), status_);
    return *type_;
}

std::string FileInfo::keyFor(const std::filesystem::path& url)
{
    return keyOf(url, statusOrThrow(url, true));
}

std::optional<std::string> FileInfo::keyIfPresent(const std::filesystem::path& url)
{
    const auto status = platform::fileStatus(url, true);
    if (!status) return std::nullopt;
    return keyOf(url, *status);
}

std::optional<std::uint64_t> FileInfo::inodeInKey(std::string_view key)
{
    // volume ":" inode ":" birth, where only the volume may hold a colon;
    // else device "-" inode "-" birth, where the device may be negative.
    std::string_view field;
    if (std::size_t last = key.rfind(':'); last != std::string_view::npos) {
        std::size_t before = last == 0 ? std::string_view::npos : key.rfind(':', last - 1);
        if (before == std::string_view::npos) return std::nullopt;
        field = key.substr(before + 1, last - before - 1);
    } else {
        std::size_t start = key.starts_with('-') ? 1 : 0;
        std::size_t first = key.find('-', start);
        if (first == std::string_view::npos) return std::nullopt;
        std::size_t second = key.find('-', first + 1);
        if (second == std::string_view::npos) return std::nullopt;
        field = key.substr(first + 1, second - first - 1);
    }
    std::uint64_t inode = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), inode);
    if (field.empty() || error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return inode;
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

std::string FileInfo::name() const { return splitName(lastComponent(path_)).stem; }

std::string FileInfo::ext() const { return splitName(lastComponent(path_)).ext; }

bool FileInfo::isBeingCopiedByFinder() const
{
    static const Date placeholder{std::chrono::seconds(-2'082'844'800)};
    return created_ && *created_ == placeholder;
}

const std::optional<Date>& FileInfo::opened()
{
    if (!opened_) opened_ = platform::lastOpened(url());
    return *opened_;
}

void FileInfo::setOpened(std::optional<Date> date)
{
    opened_ = date;
}

const std::vector<std::string>& FileInfo::source()
{
    if (!source_) source_ = platform::readSource(url());
    return *source_;
}

void FileInfo::setSource(std::vector<std::string> addresses)
{
    source_ = std::move(addresses);
}

const std::string& FileInfo::contents()
{
    if (!extractedText_) extractedText_ = extractText(url(), type(), stop_);
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
