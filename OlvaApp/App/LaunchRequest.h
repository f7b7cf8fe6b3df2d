// What a launch of OlvaApp asks for, read from its arguments:
//   OlvaApp                  open the app (its main window)
//   OlvaApp --at-login       the autostart entry's launch
//   OlvaApp --service        a launch by D-Bus activation
//   OlvaApp --pause | --resume | --run-now | --explain FILE
//                            an intent, handed to the running app
//   OlvaApp --help | --version
#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace olva::app {

struct LaunchRequest {
    enum class Kind { open, atLogin, service, pause, resume, runNow, explain, usage, version };

    Kind kind = Kind::open;
    // For explain: the file, made absolute against the working folder; empty
    // when the argument was.
    std::filesystem::path file;
    // For usage: what was wrong with the arguments; empty when help was asked.
    QString error;

    // Whether the launch runs the app itself (or hands over to it), as
    // opposed to asking the running app for one intent.
    bool startsApp() const { return kind == Kind::open || kind == Kind::atLogin || kind == Kind::service; }
};

// `arguments` without the program name, as bytes, so that file names that
// are not UTF-8 survive.
LaunchRequest parseLaunch(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder);

QString usageText();
// "OlvaApp <version>" and a line feed.
QString versionText();

}  // namespace olva::app
