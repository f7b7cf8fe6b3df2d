#include "OlvaApp/Model/Model.h"

#include "OlvaApp/Model/ModelError.h"
#include "OlvaApp/Sentences/ExplanationSentence.h"

#include <QUndoStack>

namespace olva::app {

struct Model::Private {};

const QString Model::addRuleAction = QStringLiteral("Add Rule");
const QString Model::editRuleAction = QStringLiteral("Edit Rule");
const QString Model::watchDownloadsAction = QStringLiteral("Watch Downloads");
const QString Model::addFolderAction = QStringLiteral("Add Folder");
const QString Model::removeFolderAction = QStringLiteral("Remove Folder");
const QString Model::enableRuleAction = QStringLiteral("Enable Rule");
const QString Model::disableRuleAction = QStringLiteral("Disable Rule");
const QString Model::duplicateRuleAction = QStringLiteral("Duplicate Rule");
const QString Model::moveRuleUpAction = QStringLiteral("Move Rule Up");
const QString Model::moveRuleDownAction = QStringLiteral("Move Rule Down");
const QString Model::moveRuleAction = QStringLiteral("Move Rule");
const QString Model::deleteRuleAction = QStringLiteral("Delete Rule");
const QString Model::pauseAllAction = QStringLiteral("Pause All Rules");
const QString Model::resumeAllAction = QStringLiteral("Resume All Rules");
const QString Model::locateFolderAction = QStringLiteral("Locate Folder");
const QString Model::importHazelAction = QStringLiteral("Import Hazel Rules");
const QString Model::changeSubfoldersAction = QStringLiteral("Change Subfolders");
const QString Model::pauseFolderAction = QStringLiteral("Pause Folder");
const QString Model::resumeFolderAction = QStringLiteral("Resume Folder");

Model::Model(std::shared_ptr<Store> store, ModelServices services, QObject* parent)
    : QObject(parent), store_(std::move(store)), services_(services), d_(std::make_unique<Private>())
{
}

Model::~Model() = default;

std::shared_ptr<Store> Model::openDefaultStore() { return std::make_shared<Store>(Store::defaultDir()); }

void Model::setProblem(std::optional<Problem> problem) { problem_ = std::move(problem); emit problemChanged(); }
void Model::setPendingImport(std::optional<PendingImport> pending) { pendingImport_ = std::move(pending); emit pendingImportChanged(); }
void Model::setExplained(std::optional<Explained> explained) { explained_ = std::move(explained); emit explainedChanged(); }
void Model::setSelection(std::optional<Selection> selection) { selection_ = selection; emit selectionChanged(); }
void Model::setSelectedRule(std::optional<int> rule) { selectedRule_ = rule; emit selectedRuleChanged(); }
void Model::setEditingRule(std::optional<EditingRule> editing) { editingRule_ = std::move(editing); emit editingRuleChanged(); }
void Model::setSelectedEntries(std::set<std::string> ids) { selectedEntries_ = std::move(ids); emit selectedEntriesChanged(); }
void Model::setActivityScope(ActivityScope scope) { activityScope_ = scope; emit activityScopeChanged(); }

QFuture<void> Model::ensureStarted() { return QtFuture::makeReadyFuture(); }
QFuture<void> Model::refresh() { return QtFuture::makeReadyFuture(); }
void Model::scheduleRefresh() {}
QFuture<void> Model::onActivityChanged() { return QtFuture::makeReadyFuture(); }
QFuture<void> Model::revertEntries(const std::vector<Entry>&) { return QtFuture::makeReadyFuture(); }
std::vector<Entry> Model::selectedEntryList() const { return {}; }
bool Model::isFullyReverted(const Entry&) const { return false; }
std::vector<Folder> Model::problemFolders() const { return {}; }
void Model::showActivity(const std::string&) {}
bool Model::canChangeRules() { return !loadError_; }
void Model::save() {}
bool Model::edit(const QString&, const std::function<void(Config&)>&) { return false; }
void Model::restoreConfig(const Config&, const QString&) {}
void Model::reloadRules() {}
void Model::commitRule(const EditingRule&, const Rule&, bool) {}
void Model::addImportedRules(Config&, std::optional<int>, const Folder&) {}
std::optional<int> Model::currentRule() const { return std::nullopt; }
void Model::newRule(std::optional<Rule>) {}
void Model::editRule(int) {}
void Model::setRuleEnabled(int, bool) {}
void Model::duplicateRule(int) {}
void Model::moveRule(int, int) {}
void Model::moveRules(int, const std::vector<int>&, int) {}
void Model::deleteRule(int) {}
Rule Model::defaultNewRule() { return {}; }
void Model::setPaused(bool) {}
void Model::setFolderDepth(int, std::int64_t) {}
void Model::setFolderPaused(int, bool) {}
std::optional<int> Model::addFolder(std::optional<std::filesystem::path>) { return std::nullopt; }
void Model::watchDownloads() {}
void Model::removeFolder(int) {}
void Model::locateFolder(int) {}
std::string Model::keepAccess(const std::filesystem::path& folder) { return folder.string(); }
bool Model::needsAccess(const std::string&) const { return false; }
void Model::reopenBookmarks() {}
QFuture<void> Model::importHazelRules(std::optional<std::filesystem::path>) { return QtFuture::makeReadyFuture(); }
void Model::finishImport() {}
QFuture<void> Model::explainChosenFile(std::optional<std::filesystem::path>) { return QtFuture::makeReadyFuture(); }
QFuture<void> Model::explainFile(const std::filesystem::path&) { return QtFuture::makeReadyFuture(); }
QFuture<Explained> Model::explainForIntent(const std::filesystem::path&) { return QtFuture::makeReadyFuture(Explained{}); }
QFuture<void> Model::runRulesNow() { return QtFuture::makeReadyFuture(); }
QFuture<void> Model::setPausedForIntent(bool) { return QtFuture::makeReadyFuture(); }
QString Model::explanationSentence(const Explained& explained) { return app::explanationSentence(explained); }
void Model::openMainWindow() {}
void Model::setMainWindowPresenter(MainWindowPresenter* presenter) { mainWindow_ = presenter; }
void Model::setWindowVisible(const QString&, bool) {}
void Model::setStartAtLogin(bool) {}
QUndoStack* Model::undoStack() const { return nullptr; }

}  // namespace olva::app
