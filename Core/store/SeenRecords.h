// The seen sets as the engine holds them: for each file identity key, the
// versions of the rules that already handled the file. A watched folder may
// hold a hundred thousand files and more, each with a record, while the
// versions, and the sets of them, are few and shared by many files. So each
// distinct set is kept once and a record is its key and the number of its
// set; the keys' texts are kept together in large blocks; and the records
// are a sorted array, with the ones added since it was last sorted in a
// small table beside it. A record costs little more than its key's text.
#pragma once

#include "Core/store/Journal.h"

#include <cstdint>
#include <map>
#include <memory>
#include <memory_resource>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace olva {

class SeenRecords {
public:
    SeenRecords();
    SeenRecords(SeenRecords&&) noexcept;
    SeenRecords& operator=(SeenRecords&&) noexcept;
    ~SeenRecords();

    // Adds the version to the key's set; whether it was not there yet. An
    // empty version adds nothing: an empty set is as good as none.
    bool add(std::string_view key, std::string_view version);
    void add(const Seen& seen);
    bool contains(std::string_view key) const { return find(key) != kNone; }
    bool contains(std::string_view key, std::string_view version) const;
    // The versions that handled the file, as texts; empty without a record.
    std::set<std::string> versionsOf(std::string_view key) const;
    // Moves a record to another key; the versions it held.
    std::vector<std::string> move(std::string_view from, std::string_view to);
    void erase(std::string_view key);
    // The keys whose sets hold the version.
    std::vector<std::string> keysWith(std::string_view version) const;
    std::size_t size() const { return size_; }

    // Calls `visit` with each key and its versions, as std::string_view, in
    // no particular order.
    template <typename Visit>
    void forEach(Visit&& visit) const
    {
        std::vector<std::string_view> versions;
        auto one = [&](std::string_view key, std::uint32_t set) {
            if (set == kNone) return;
            versions.clear();
            for (std::uint32_t id : sets_[set]) versions.push_back(versions_[id]);
            visit(key, versions);
        };
        for (const auto& record : sorted_) one(record.key, record.set);
        if (added_)
            for (const auto& [key, set] : added_->records) one(key, set);
    }

    Seen toMap() const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    // The array is ordered by a hash of the key first, so that a search
    // mostly compares numbers in the array and reads the texts of few
    // keys; the hash fits where the record would hold padding.
    struct Record {
        std::string_view key;
        std::uint32_t set = kNone;  // kNone once erased
        std::uint32_t hash = 0;
        bool operator<(const Record& other) const
        {
            return hash != other.hash ? hash < other.hash : key < other.key;
        }
    };
    static std::uint32_t hashOf(std::string_view key)
    {
        return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
    }

    // The set number of a key, or kNone; and where it is kept.
    std::uint32_t find(std::string_view key) const;
    std::uint32_t* slot(std::string_view key);
    std::optional<std::uint32_t> versionId(std::string_view version) const;
    std::uint32_t setWith(std::uint32_t set, std::uint32_t version);
    std::string_view keep(std::string_view key);
    // Sorts the records added since the last time into the array.
    void sortIn();

    // Versions, and distinct sets of them (sorted version numbers).
    std::vector<std::string> versions_;
    std::map<std::string, std::uint32_t, std::less<>> versionIds_;
    std::vector<std::vector<std::uint32_t>> sets_;
    std::map<std::vector<std::uint32_t>, std::uint32_t> setIds_;
    // Each set with one more version: the set it becomes.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> grown_;

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::vector<Record> sorted_;
    // Where in the array the records of each range of hashes begin (the
    // top bits of the hash pick the range), so that a search looks at a
    // few records rather than halving the whole array: about a byte a
    // record.
    std::vector<std::uint32_t> starts_;
    int startBits_ = 0;
    // In blocks of their own, let go as a whole when they are sorted in.
    struct Added {
        std::pmr::unsynchronized_pool_resource pool;
        std::pmr::unordered_map<std::string_view, std::uint32_t> records{&pool};
    };
    std::unique_ptr<Added> added_;
    std::size_t size_ = 0;
};

}  // namespace olva
