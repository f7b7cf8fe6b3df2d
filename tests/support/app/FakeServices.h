// Scripted stand-ins for the desktop services the app's model and views are
// given: panels, clipboard, opening and revealing files, the privileged
// runner, open-at-login, the main window and the clock.
#pragma once

#include "OlvaApp/Model/Autostart.h"
#include "OlvaApp/Model/Clipboard.h"
#include "OlvaApp/Model/Clock.h"
#include "OlvaApp/Model/MainWindowPresenter.h"
#include "OlvaApp/Model/OpenPanels.h"
#include "OlvaApp/Model/PrivilegedRunner.h"
#include "OlvaApp/Model/Workspace.h"

#include <QPointer>
#include <QUndoStack>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace olva::test {

// Answers each panel with the next scripted choice (none: cancelled) and
// keeps every request. `whileOpen` runs inside the panel, as events the
// desktop delivers while it is open would.
class FakePanels : public app::OpenPanels {
public:
    void answer(std::optional<std::filesystem::path> choice) { answers_.push_back(std::move(choice)); }

    std::optional<std::filesystem::path> choose(const app::OpenPanelRequest& request) override;

    std::vector<app::OpenPanelRequest> requests;
    std::function<void()> whileOpen;

private:
    std::deque<std::optional<std::filesystem::path>> answers_;
};

class FakeClipboard : public app::Clipboard {
public:
    void setText(const QString& text) override { texts.push_back(text); }

    std::vector<QString> texts;
};

class FakeWorkspace : public app::Workspace {
public:
    void open(const std::filesystem::path& file) override { opened.push_back(file); }
    void reveal(const std::filesystem::path& item) override { revealed.push_back(item); }

    std::vector<std::filesystem::path> opened, revealed;
};

// Gives `result` to every run and keeps what was run.
class FakePrivilegedRunner : public app::PrivilegedRunner {
public:
    struct Run {
        QString program;
        QStringList arguments;
    };

    app::PrivilegedResult run(const QString& program, const QStringList& arguments) override
    {
        runs.push_back({program, arguments});
        return result;
    }

    app::PrivilegedResult result;
    std::vector<Run> runs;
};

// Enabled as asked, unless `failure` is set: then the state stays and the
// failure is returned.
class FakeAutostart : public app::Autostart {
public:
    bool isEnabled() const override { return enabled; }
    std::optional<QString> setEnabled(bool value) override
    {
        if (failure) return failure;
        enabled = value;
        return std::nullopt;
    }

    bool enabled = false;
    std::optional<QString> failure;
};

// A main window that only counts how often it was brought forward and owns
// the undo history from its first presentation on.
class FakeMainWindow : public app::MainWindowPresenter {
public:
    void present() override
    {
        ++presented;
        if (!stack) stack = std::make_unique<QUndoStack>();
    }
    QUndoStack* undoStack() override { return stack.get(); }

    int presented = 0;
    std::unique_ptr<QUndoStack> stack;
};

// Time stands still until a test moves it on; delayed calls run when their
// time has come.
class FakeClock : public app::Clock {
public:
    FakeClock();

    Date now() const override { return now_; }
    void callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) override;

    // Moves time on, running every call that falls due, in order.
    void advance(std::chrono::milliseconds by);
    void set(Date now) { now_ = now; }
    std::size_t pending() const { return calls_.size(); }

private:
    struct Call {
        Date due;
        QPointer<QObject> context;
        std::function<void()> callback;
    };

    Date now_;
    std::vector<Call> calls_;
};

}  // namespace olva::test
