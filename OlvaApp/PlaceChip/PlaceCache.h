// What a place chip needs to know about its folder: whether it is there and
// its icon. Chips are drawn in every rule, activity and preview row, so the
// answers are kept for 30 seconds per path instead of asking the disk on
// every drawing. GUI thread only.
#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

#include <chrono>
#include <functional>

namespace olva::app {

struct Place {
    QIcon icon;
    bool exists = false;
    std::chrono::steady_clock::time_point checked;
};

class PlaceCache {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::seconds kFresh{30};

    // The process's cache.
    static PlaceCache& shared();

    // The facts of the place at `expandedPath` (absolute, "~" already
    // expanded), read afresh when the kept ones are 30 seconds old.
    const Place& lookup(const QString& expandedPath);

    // For tests: the clock the age of the answers is measured by; empty
    // restores the real one. Also forgets every answer.
    void setClock(Now now);
    // How many times the disk was asked.
    int reads() const { return reads_; }

private:
    QHash<QString, Place> places_;
    Now now_;
    int reads_ = 0;
};

// The cache's key and what revealing and tooltips use: `path` in the user's
// form expanded, without the slashes that end it ("/" stays).
QString expandedPlace(const QString& path);

}  // namespace olva::app
