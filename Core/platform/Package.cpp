#include "Core/platform/Package.h"

#include "Core/base/FileName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace olva::platform {

namespace {

// Bundle and document-package extensions that users move between computers;
// Linux has no registry of them, so the well-known ones are listed here.
constexpr std::array<std::string_view, 26> packageExtensions = {
    "app",      "appex",     "bundle",    "component", "framework",     "kext",          "mdimporter",
    "mpkg",     "pkg",       "plugin",    "prefpane",  "qlgenerator",   "saver",         "xpc",
    "rtfd",     "pages",     "numbers",   "key",       "photoslibrary", "fcpbundle",     "logicx",
    "band",     "xcodeproj", "xcworkspace", "playground", "scptd",
};

}  // namespace

bool isPackage(std::string_view directoryName)
{
    auto slash = directoryName.rfind('/');
    if (slash != std::string_view::npos) directoryName.remove_prefix(slash + 1);
    std::string ext = splitName(directoryName).ext;
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return std::find(packageExtensions.begin(), packageExtensions.end(), ext) != packageExtensions.end();
}

}  // namespace olva::platform
