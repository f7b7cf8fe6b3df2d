#include "Core/store/SeenRecords.h"

#include <algorithm>
#include <cstring>

namespace olva {

namespace {

constexpr std::size_t kBlock = 64 * 1024;
// Records added since the array was sorted are sorted in once there are
// this many of them, or an eighth of the array.
constexpr std::size_t kFewAdded = 4096;

}  // namespace

SeenRecords::SeenRecords() = default;
SeenRecords::SeenRecords(SeenRecords&&) noexcept = default;
SeenRecords& SeenRecords::operator=(SeenRecords&&) noexcept = default;
SeenRecords::~SeenRecords() = default;

std::string_view SeenRecords::keep(std::string_view key)
{
    if (blocks_.empty() || blockUsed_ + key.size() > kBlock) {
        blocks_.push_back(std::make_unique<char[]>(std::max(kBlock, key.size())));
        blockUsed_ = 0;
    }
    char* at = blocks_.back().get() + blockUsed_;
    std::memcpy(at, key.data(), key.size());
    blockUsed_ += key.size();
    // A key larger than a block has one of its own; the next key starts a new one.
    if (key.size() > kBlock) blockUsed_ = kBlock;
    return {at, key.size()};
}

std::uint32_t* SeenRecords::slot(std::string_view key)
{
    const Record wanted{key, kNone, hashOf(key)};
    auto first = sorted_.begin(), last = sorted_.end();
    if (startBits_ > 0) {
        const std::uint32_t range = wanted.hash >> (32 - startBits_);
        first = sorted_.begin() + starts_[range];
        last = sorted_.begin() + starts_[range + 1];
    }
    auto at = std::lower_bound(first, last, wanted);
    if (at != last && at->hash == wanted.hash && at->key == key) return &at->set;
    if (!added_) return nullptr;
    if (auto added = added_->records.find(key); added != added_->records.end()) return &added->second;
    return nullptr;
}

std::uint32_t SeenRecords::find(std::string_view key) const
{
    auto* set = const_cast<SeenRecords*>(this)->slot(key);
    return set ? *set : kNone;
}

std::optional<std::uint32_t> SeenRecords::versionId(std::string_view version) const
{
    auto it = versionIds_.find(version);
    if (it == versionIds_.end()) return std::nullopt;
    return it->second;
}

std::uint32_t SeenRecords::setWith(std::uint32_t set, std::uint32_t version)
{
    auto grown = grown_.find({set, version});
    if (grown != grown_.end()) return grown->second;
    std::vector<std::uint32_t> members;
    if (set != kNone) members = sets_[set];
    members.insert(std::upper_bound(members.begin(), members.end(), version), version);
    auto [it, inserted] = setIds_.try_emplace(members, std::uint32_t(sets_.size()));
    if (inserted) sets_.push_back(std::move(members));
    grown_.emplace(std::make_pair(set, version), it->second);
    return it->second;
}

bool SeenRecords::add(std::string_view key, std::string_view version)
{
    if (version.empty()) return false;
    auto known = versionId(version);
    std::uint32_t id = known ? *known : std::uint32_t(versions_.size());
    if (!known) {
        versions_.emplace_back(version);
        versionIds_.emplace(std::string(version), id);
    }
    if (std::uint32_t* set = slot(key)) {
        if (*set != kNone && std::binary_search(sets_[*set].begin(), sets_[*set].end(), id)) return false;
        if (*set == kNone) ++size_;
        *set = setWith(*set, id);
        return true;
    }
    if (!added_) added_ = std::make_unique<Added>();
    added_->records.emplace(keep(key), setWith(kNone, id));
    ++size_;
    if (added_->records.size() >= std::max(kFewAdded, sorted_.size() / 8)) sortIn();
    return true;
}

void SeenRecords::add(const Seen& seen)
{
    for (const auto& [key, versions] : seen)
        for (const auto& version : versions) add(key, version);
}

bool SeenRecords::contains(std::string_view key, std::string_view version) const
{
    std::uint32_t set = find(key);
    auto id = versionId(version);
    return set != kNone && id && std::binary_search(sets_[set].begin(), sets_[set].end(), *id);
}

std::set<std::string> SeenRecords::versionsOf(std::string_view key) const
{
    std::set<std::string> versions;
    if (std::uint32_t set = find(key); set != kNone)
        for (std::uint32_t id : sets_[set]) versions.insert(versions_[id]);
    return versions;
}

void SeenRecords::erase(std::string_view key)
{
    std::uint32_t* set = slot(key);
    if (!set || *set == kNone) return;
    --size_;
    if (added_ && added_->records.erase(key)) return;
    *set = kNone;
}

std::vector<std::string> SeenRecords::move(std::string_view from, std::string_view to)
{
    std::vector<std::string> moved;
    std::uint32_t set = find(from);
    if (set == kNone) return moved;
    erase(from);
    for (std::uint32_t id : sets_[set]) moved.push_back(versions_[id]);
    for (const auto& version : moved) add(to, version);
    return moved;
}

std::vector<std::string> SeenRecords::keysWith(std::string_view version) const
{
    std::vector<std::string> keys;
    auto id = versionId(version);
    if (!id) return keys;
    forEach([&](std::string_view key, const std::vector<std::string_view>& versions) {
        if (std::find(versions.begin(), versions.end(), version) != versions.end()) keys.emplace_back(key);
    });
    return keys;
}

void SeenRecords::sortIn()
{
    std::vector<Record> added;
    if (added_)
        for (const auto& [key, set] : added_->records) added.push_back({key, set, hashOf(key)});
    std::sort(added.begin(), added.end());
    std::vector<Record> merged;
    merged.reserve(size_);
    std::merge(sorted_.begin(), sorted_.end(), added.begin(), added.end(), std::back_inserter(merged));
    // Erased records leave; their keys' texts stay in their block.
    std::erase_if(merged, [](const Record& record) { return record.set == kNone; });
    sorted_ = std::move(merged);
    added_.reset();
    // About four records a range.
    startBits_ = 0;
    while (startBits_ < 24 && (std::size_t(1) << (startBits_ + 2)) < sorted_.size()) ++startBits_;
    starts_.assign((std::size_t(1) << startBits_) + 1, 0);
    if (startBits_ == 0) {
        starts_ = {};
        return;
    }
    std::size_t at = 0;
    for (std::size_t range = 0; range + 1 < starts_.size(); ++range) {
        starts_[range] = std::uint32_t(at);
        while (at < sorted_.size() && (sorted_[at].hash >> (32 - startBits_)) == range) ++at;
    }
    starts_.back() = std::uint32_t(sorted_.size());
}

Seen SeenRecords::toMap() const
{
    Seen seen;
    forEach([&](std::string_view key, const std::vector<std::string_view>& versions) {
        auto& set = seen[std::string(key)];
        for (auto version : versions) set.emplace(version);
    });
    return seen;
}

}  // namespace olva
