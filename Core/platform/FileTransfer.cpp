#include "Core/platform/FileTransfer.h"

#include "Core/platform/FileMetadata.h"
#include "Core/platform/RenameNoReplace.h"
#include "Core/platform/StagedCopy.h"

#include <sys/stat.h>

#include <system_error>

namespace olva::platform {
namespace fs = std::filesystem;

bool isFileExistsError(const std::exception& error)
{
    const auto* system = dynamic_cast<const std::system_error*>(&error);
    return system && system->code() == std::errc::file_exists;
}

bool foldersOnOneFileSystem(const fs::path& a, const fs::path& b)
{
    struct stat first {}, second {};
    return ::stat(a.parent_path().c_str(), &first) == 0 && ::stat(b.parent_path().c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

bool itemExists(const fs::path& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

ItemTransfer::ItemTransfer(fs::path from, Kind kind, bool copying)
    : from_(std::move(from)), kind_(kind), copying_(copying)
{
}

ItemTransfer::~ItemTransfer() = default;

void ItemTransfer::to(const fs::path& destination)
{
    if (kind_ == Kind::move && !copying_ && !staged_) {
        try {
            renameNoReplace(from_, destination);
            return;
        } catch (const std::system_error& error) {
            if (error.code() != std::errc::cross_device_link) throw;
        }
    }
    const fs::path folder = destination.parent_path();
    if (staged_ && staged_->folder() != folder) staged_.reset();
    if (!staged_) {
        staged_ = std::make_unique<StagedCopy>(from_, folder, kind_);
        copied_ = true;
        if (staged_->attributesDropped()) tagsLeftBehind_ = readTags(from_);
    }
    staged_->verifySource();
    staged_->place(destination);
    if (kind_ == Kind::move) {
        // Looked at once more, as late as can be: the source goes only
        // while it is still what was copied.
        try {
            staged_->verifySource();
        } catch (...) {
            staged_->takeBack(destination);
            staged_.reset();
            throw;
        }
        staged_->removeSource(destination);
    }
    staged_.reset();
}

void moveItem(const fs::path& from, const fs::path& to)
{
    ItemTransfer(from, ItemTransfer::Kind::move).to(to);
}

void copyItem(const fs::path& from, const fs::path& to)
{
    ItemTransfer(from, ItemTransfer::Kind::copy).to(to);
}

void moveByCopying(const fs::path& from, const fs::path& to)
{
    ItemTransfer(from, ItemTransfer::Kind::move, true).to(to);
}

}  // namespace olva::platform
