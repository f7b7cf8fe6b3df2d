#include "OlvaApp/Model/Model.h"

#include "Core/base/ActionError.h"
#include "OlvaApp/Model/Autostart.h"
#include "OlvaApp/Model/MainWindowPresenter.h"
#include "OlvaApp/Model/ModelError.h"
#include "OlvaApp/Model/ModelPrivate.h"

#include <QUndoStack>

namespace olva::app {

const QString Model::addRuleAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Add Rule"));
const QString Model::editRuleAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Edit Rule"));
const QString Model::watchDownloadsAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Watch Downloads"));
const QString Model::addFolderAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Add Folder"));
const QString Model::removeFolderAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Remove Folder"));
const QString Model::enableRuleAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Enable Rule"));
const QString Model::disableRuleAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Disable Rule"));
const QString Model::duplicateRuleAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Duplicate Rule"));
const QString Model::moveRuleUpAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Move Rule Up"));
const QString Model::moveRuleDownAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Move Rule Down"));
const QString Model::moveRuleAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Move Rule"));
const QString Model::deleteRuleAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Delete Rule"));
const QString Model::pauseAllAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Pause All Rules"));
const QString Model::resumeAllAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Resume All Rules"));
const QString Model::locateFolderAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Locate Folder"));
const QString Model::importHazelAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Import Hazel Rules"));
const QString Model::changeSubfoldersAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Change Subfolders"));
const QString Model::pauseFolderAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Pause Folder"));
const QString Model::resumeFolderAction = QString::fromUtf8(QT_TRANSLATE_NOOP("olva::app::Model", "Resume Folder"));

QString errorSentence(const std::exception& error)
{
    if (const auto* action = dynamic_cast<const ActionError*>(&error)) return text(action->description());
    if (const auto* model = dynamic_cast<const ModelError*>(&error)) return model->errorDescription();
    return text(error.what());
}

QString errorSentence(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& caught) {
        return errorSentence(caught);
    } catch (...) {
        return Model::tr("An unknown error occurred.");
    }
}

Model::Private::Private(Model& model) : model(model), link(std::make_shared<ModelLink>(&model))
{
    enginePool.setMaxThreadCount(1);
    enginePool.setExpiryTimeout(-1);
    readPool.setMaxThreadCount(2);
}

QSettings& Model::Private::settings()
{
    if (model.services_.settings) return *model.services_.settings;
    if (!ownSettings) ownSettings = std::make_unique<QSettings>(QStringLiteral("Olva"), QStringLiteral("Olva"));
    return *ownSettings;
}

void Model::Private::onEngine(std::function<void(Engine&)> work)
{
    auto engine = model.engine_;
    if (!engine) return;
    (void)QtConcurrent::run(&enginePool, [engine, work = std::move(work)] {
        try {
            work(*engine);
        } catch (...) {
            // The engine keeps its state; nothing to tell.
        }
    });
}

Model::Model(std::shared_ptr<Store> store, ModelServices services, QObject* parent)
    : QObject(parent), store_(std::move(store)), services_(services), d_(std::make_unique<Private>(*this))
{
    if (services_.autostart) startAtLogin_ = services_.autostart->isEnabled();
}

Model::~Model()
{
    d_->link->cut();
    d_->toolSignals.reset();
    d_->rulesWatcher.reset();
    d_->wakeObservers.clear();
    if (engine_) engine_->stop();
    d_->enginePool.waitForDone();
    d_->readPool.waitForDone();
}

std::shared_ptr<Store> Model::openDefaultStore()
{
    const std::filesystem::path dir = Store::defaultDir();
    try {
        return std::make_shared<Store>(dir);
    } catch (const std::system_error& error) {
        throw ModelError(QStringLiteral("cannot create %1: %2")
                             .arg(text(dir.string()), text(error.code().message())));
    }
}

// ---- Assignments

void Model::setProblem(std::optional<Problem> problem)
{
    problem_ = std::move(problem);
    emit problemChanged();
    // The alert is shown on the main window: bring it forward.
    if (problem_ && mainWindow_ && !visibleWindows_.contains(QStringLiteral("main"))) openMainWindow();
}

void Model::setPendingImport(std::optional<PendingImport> pending)
{
    pendingImport_ = std::move(pending);
    emit pendingImportChanged();
}

void Model::setExplained(std::optional<Explained> explained)
{
    explained_ = std::move(explained);
    emit explainedChanged();
}

void Model::setSelection(std::optional<Selection> selection)
{
    const bool differs = selection != selection_;
    selection_ = selection;
    if (differs) {
        emit selectionChanged();
        setSelectedRule(std::nullopt);
    }
    QSettings& settings = d_->settings();
    if (auto folder = selectedFolder())
        settings.setValue(QStringLiteral("selectedFolder"), text(config_.folders[*folder].path));
    else
        settings.remove(QStringLiteral("selectedFolder"));
}

void Model::setSelectedRule(std::optional<int> rule)
{
    if (rule == selectedRule_) return;
    selectedRule_ = rule;
    emit selectedRuleChanged();
}

void Model::setEditingRule(std::optional<EditingRule> editing)
{
    editingRule_ = std::move(editing);
    emit editingRuleChanged();
}

void Model::setSelectedEntries(std::set<std::string> ids)
{
    if (ids == selectedEntries_) return;
    selectedEntries_ = std::move(ids);
    emit selectedEntriesChanged();
}

void Model::setActivityScope(ActivityScope scope)
{
    if (scope == activityScope_) return;
    activityScope_ = scope;
    emit activityScopeChanged();
}

// ---- Windows and login

void Model::openMainWindow()
{
    if (!mainWindow_) return;
    mainWindow_->present();
    setWindowVisible(QStringLiteral("main"), true);
}

void Model::setMainWindowPresenter(MainWindowPresenter* presenter) { mainWindow_ = presenter; }

void Model::setWindowVisible(const QString& id, bool visible)
{
    QSet<QString> windows = visibleWindows_;
    if (visible) windows.insert(id);
    else windows.remove(id);
    if (windows != visibleWindows_) {
        visibleWindows_ = std::move(windows);
        emit visibleWindowsChanged();
    }
    if (id == QStringLiteral("main")) d_->settings().setValue(QStringLiteral("mainWindowOpen"), visible);
}

void Model::setStartAtLogin(bool enabled)
{
    if (!services_.autostart) return;
    std::optional<QString> error = services_.autostart->setEnabled(enabled);
    if (error != loginError_) {
        loginError_ = std::move(error);
        emit loginErrorChanged();
    }
    const bool now = services_.autostart->isEnabled();
    if (now != startAtLogin_) {
        startAtLogin_ = now;
        emit startAtLoginChanged();
    }
}

QUndoStack* Model::undoStack() const { return mainWindow_ ? mainWindow_->undoStack() : nullptr; }

}  // namespace olva::app
