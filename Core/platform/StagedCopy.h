// A copy of an item (a file, a symbolic link or a folder with all it holds)
// made whole under a temporary name in its destination folder, flushed, and
// then given its name; what ItemTransfer copies with.
#pragma once

#include "Core/platform/CopyStop.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileTransfer.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace olva::platform {

// Locked (flock) while this process works on it, so that the sweep of
// leftovers knows it is not left over. It remembers the status of every
// source item as it read it, to tell whether any changed since. Asked to
// stop (CopyStop.h), it ends at once: the temporary goes and the source
// stays as it was.
class StagedCopy {
public:
    // Makes the whole copy; its failure is thrown, and nothing stays.
    StagedCopy(std::filesystem::path from, std::filesystem::path folder, ItemTransfer::Kind kind);
    ~StagedCopy();
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    // Whether the destination could not keep the item's attributes (tags).
    bool attributesDropped() const { return dropped_; }

    // Throws ActionError when a source item is no longer what was copied.
    void verifySource() const;
    // Gives the copy its name; std::errc::file_exists when it is taken, and
    // the copy stays for another name.
    void place(const std::filesystem::path& to);
    // Removes the copy just placed at `to`, where it is still the copy.
    void takeBack(const std::filesystem::path& to);
    // The source items, each still as it was copied, deepest first. A single
    // file that cannot be removed is kept and its copy taken back; of a
    // folder, what could not be removed stays beside its whole copy.
    void removeSource(const std::filesystem::path& to);

private:
    struct Copied {
        std::filesystem::path source;
        struct stat status;
    };

    const char* verb() const;
    [[noreturn]] void throwChanged() const;
    [[noreturn]] void throwCutShort() const;
    std::string copyName(const std::filesystem::path& from, const std::filesystem::path& to, bool top) const;
    void removeTemporary();
    struct stat opened(int fd, const struct stat& met) const;
    void holdLock(int fd, const std::filesystem::path& path, bool top);
    void copyTree(const std::filesystem::path& from, const std::filesystem::path& to, bool top);
    void copyFile(const std::filesystem::path& from, const std::filesystem::path& to, const struct stat& met, bool top);
    void copyFolder(const std::filesystem::path& from, const std::filesystem::path& to, const struct stat& met,
                    bool top);
    void copyLink(const std::filesystem::path& from, const std::filesystem::path& to, const struct stat& info,
                  bool top);

    // First: counted as under way before anything is made, and until all
    // that was made is gone or named.
    CopyUnderWay underWay_;
    std::filesystem::path from_;
    std::filesystem::path folder_;
    std::filesystem::path temporary_;
    ItemTransfer::Kind kind_;
    Descriptor lock_;
    std::vector<Copied> copied_;
    dev_t copyDevice_ = 0;
    ino_t copyInode_ = 0;
    bool dropped_ = false;
    bool placed_ = false;
};

}  // namespace olva::platform
