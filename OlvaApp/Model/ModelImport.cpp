// Importing a Hazel export: reading and converting it up to the user's
// confirmation, then committing the rules.
#include "Core/hazel/HazelExportFile.h"
#include "Core/base/Paths.h"
#include "OlvaApp/Model/ModelPrivate.h"
#include "OlvaApp/Model/OpenPanels.h"

#include <algorithm>
#include <set>

namespace olva::app {

QFuture<void> Model::importHazelRules(std::optional<std::filesystem::path> file)
{
    if (!file && services_.panels)
        file = services_.panels->choose(OpenPanelRequest{.choose = OpenPanelRequest::Choose::files,
                                                         .canCreateFolders = false,
                                                         .message = tr("Choose a .hazelrules export"),
                                                         .startFolder = std::nullopt,
                                                         .extensions = {QStringLiteral("hazelrules")}});
    if (!file || !services_.panels) return QtFuture::makeReadyFuture();

    const std::filesystem::path guess = std::filesystem::path(userHome()) / file->stem();
    auto folder = services_.panels->choose(OpenPanelRequest{.choose = OpenPanelRequest::Choose::folders,
                                                            .canCreateFolders = true,
                                                            .message = tr("Which folder were these rules for?"),
                                                            .startFolder = guess,
                                                            .extensions = {}});
    if (!folder) return QtFuture::makeReadyFuture();

    // The folder's stored path, as keeping access will give it; access is
    // kept only once the export turned out readable, so a failed import
    // leaves nothing behind.
    const std::string path = abbreviate(folder->string());
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    d_->deliver(QtConcurrent::run(&d_->readPool, [export_ = *file, path]() -> Attempt<Imported> {
        try {
            return {importHazelFile(export_, path), {}};
        } catch (const std::exception& error) {
            return {std::nullopt, errorSentence(error)};
        }
    }), [this, folder = *folder, promise](Attempt<Imported> imported) {
        if (!imported.value) {
            setProblem(Problem{tr("Couldn’t Import Hazel Rules"), imported.error});
            promise->finish();
            return;
        }
        Imported& result = *imported.value;
        result.folder.path = keepAccess(folder);

        // The count first, then what the conversion changed or left out,
        // then the destinations to choose again.
        const auto& rules = result.folder.rules;
        const auto enabled = std::count_if(rules.begin(), rules.end(), [](const Rule& rule) { return rule.enabled; });
        QStringList notes{tr("%1 of the %2 rules are enabled. All start as dry runs.")
                              .arg(QString::number(enabled), QString::number(rules.size()))};
        for (const std::string& note : result.notes) notes << text(note);
        if (isSandboxed()) {
            std::set<std::string> places;
            for (const Rule& rule : rules)
                for (const Action& action : rule.actions)
                    if ((action.kind == Action::Kind::move || action.kind == Action::Kind::copy)
                        && !config_.bookmarks.contains(action.text))
                        places.insert(action.text);
            for (const std::string& place : places)
                notes << tr("Choose %1 again in the rules that use it, so Olva can move or copy files there")
                             .arg(text(place));
        }
        setPendingImport(PendingImport{std::move(result.folder), notes});
        promise->finish();
    });
    return promise->future();
}

void Model::finishImport()
{
    if (!pendingImport_) return;
    const PendingImport offered = *pendingImport_;
    const Folder& pending = offered.folder;
    setPendingImport(std::nullopt);

    const std::optional<int> found = samePlace(config_, pending.path);
    const auto saved = d_->edit(importHazelAction, [&](Config& config) { addImportedRules(config, found, pending); });
    if (saved == Private::Saved::reloaded) {
        // Offered again over the reloaded rules, into which the next commit
        // merges.
        setPendingImport(offered);
        setProblem(Problem{tr("Couldn’t Save Rules"),
                           tr("Another program changed the rules a moment ago, so Olva loaded them instead of saving "
                              "over them. The import is still open: import the rules again, or cancel.")});
        return;
    }
    if (!Private::made(saved)) return;
    setSelection(Selection::folder(found ? *found : static_cast<int>(config_.folders.size()) - 1));
}

}  // namespace olva::app
