#include "OlvaApp/Model/ActivityScope.h"

#include <QCoreApplication>

namespace olva::app {

QString activityScopeTitle(ActivityScope scope)
{
    switch (scope) {
    case ActivityScope::all: return QCoreApplication::translate("ActivityScope", "All");
    case ActivityScope::problems: return QCoreApplication::translate("ActivityScope", "Problems");
    case ActivityScope::dryRuns: return QCoreApplication::translate("ActivityScope", "Dry Runs");
    }
    return {};
}

}  // namespace olva::app
