// Which entries the activity list shows.
#pragma once

#include <QMetaType>
#include <QString>

#include <array>

namespace olva::app {

enum class ActivityScope { all, problems, dryRuns };

inline constexpr std::array<ActivityScope, 3> allActivityScopes{ActivityScope::all, ActivityScope::problems,
                                                                ActivityScope::dryRuns};

// "All", "Problems", "Dry Runs".
QString activityScopeTitle(ActivityScope scope);

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::app::ActivityScope)
