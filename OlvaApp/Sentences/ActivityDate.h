// The date of an activity entry, as the table and the inspector show it:
// "Today, 10:38 PM", "Yesterday, 9:05 AM", "Mar 3, 2025, 8:15 AM".
#pragma once

#include "Core/base/Date.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <mutex>

namespace olva::app {

class ActivityDateFormatter {
public:
    ActivityDateFormatter();
    ~ActivityDateFormatter();
    ActivityDateFormatter(const ActivityDateFormatter&) = delete;
    ActivityDateFormatter& operator=(const ActivityDateFormatter&) = delete;

    // Medium date, short time, recent days by name; safe from any thread.
    QString format(olva::Date date) const;
    QString format(const QDateTime& date) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    mutable std::mutex mutex_;
};

// One formatter for the process, made on first use in the locale then in
// force.
const ActivityDateFormatter& activityDateFormatter();

}  // namespace olva::app
