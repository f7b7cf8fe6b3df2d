// Watched folders: adding, removing and locating them, and keeping access to
// the places the user chose.
#include "Core/base/Paths.h"
#include "OlvaApp/Model/Bookmarks.h"
#include "OlvaApp/Model/ModelPrivate.h"
#include "OlvaApp/Model/OpenPanels.h"
#include "OlvaApp/Model/StarterRules.h"
#include "OlvaApp/Model/Workspace.h"
#include "OlvaApp/Sentences/PathText.h"

#include <QDir>
#include <QStandardPaths>

namespace olva::app {

namespace {

std::optional<std::filesystem::path> choose(OpenPanels* panels, const OpenPanelRequest& request)
{
    if (!panels) return std::nullopt;
    return panels->choose(request);
}

OpenPanelRequest folderPanel(const QString& message, std::optional<std::filesystem::path> start = std::nullopt)
{
    return OpenPanelRequest{.choose = OpenPanelRequest::Choose::folders,
                            .canCreateFolders = true,
                            .message = message,
                            .startFolder = std::move(start),
                            .extensions = {}};
}

}  // namespace

std::optional<int> samePlace(const Config& config, const std::string& path)
{
    const auto place = folderURL(Folder{.path = path, .depth = 0, .paused = false, .rules = {}});
    for (std::size_t i = 0; i < config.folders.size(); ++i)
        if (folderURL(config.folders[i]) == place) return static_cast<int>(i);
    return std::nullopt;
}

std::optional<int> Model::addFolder(std::optional<std::filesystem::path> folder)
{
    // From the home folder, where the folders people watch are; not from
    // wherever the app happened to be started.
    if (!folder)
        folder = choose(services_.panels,
                        folderPanel(tr("Choose a folder to watch"), std::filesystem::path(userHome())));
    if (!folder) return std::nullopt;
    return d_->watch(*folder, {}, addFolderAction);
}

void Model::watchDownloads()
{
    std::filesystem::path downloads =
        QStandardPaths::writableLocation(QStandardPaths::DownloadLocation).toStdString();
    if (downloads.empty()) downloads = std::filesystem::path(userHome()) / "Downloads";
    // A desktop may name the home folder itself as the place of downloads;
    // the starter rules would then sort every file the user keeps there.
    auto isHome = [](const std::filesystem::path& folder) {
        const std::string real = realPath(folder.string());
        return real == realPath(userHome()) || real == realPath(QDir::homePath().toStdString());
    };
    std::optional<std::filesystem::path> chosen = downloads;
    if (isHome(downloads))
        chosen = choose(services_.panels,
                        folderPanel(tr("Your desktop names your home folder as the Downloads folder. Choose the "
                                       "folder your downloads go to, so Olva can watch it."),
                                    downloads));
    else if (isSandboxed())
        chosen = choose(services_.panels, folderPanel(tr("Choose your Downloads folder so Olva can watch it"), downloads));
    if (!chosen) return;
    if (isHome(*chosen)) {
        setProblem(Problem{tr("Couldn’t Watch Downloads"),
                           tr("Olva won’t sort your whole home folder with the Downloads rules. Choose the folder "
                              "your downloads go to.")});
        return;
    }
    d_->watch(*chosen, downloadsStarterRules(), watchDownloadsAction);
}

std::optional<int> Model::Private::watch(const std::filesystem::path& folder, std::vector<Rule> rules,
                                         const QString& actionName)
{
    const std::string path = model.keepAccess(folder);
    if (auto existing = samePlace(model.config_, path)) {
        model.setSelection(Selection::folder(*existing));
        return existing;
    }
    bool added = made(edit(actionName, [&](Config& config) {
        config.folders.push_back(Folder{.path = path, .depth = 0, .paused = false, .rules = std::move(rules)});
    }));
    if (!added) return std::nullopt;
    const int index = static_cast<int>(model.config_.folders.size()) - 1;
    model.setSelection(Selection::folder(index));
    return index;
}

void Model::removeFolder(int index)
{
    if (index < 0 || index >= static_cast<int>(config_.folders.size())) return;
    setSelection(Selection::activity());
    // The folder's bookmark stays: an undo may bring the folder back.
    d_->edit(removeFolderAction, [&](Config& config) { config.folders.erase(config.folders.begin() + index); });
}

void Model::locateFolder(int index)
{
    if (index < 0 || index >= static_cast<int>(config_.folders.size())) return;
    const std::string asked = config_.folders[index].path;
    const QString name = lastComponent(text(folderURL(config_.folders[index]).string()));
    auto chosen = choose(services_.panels, folderPanel(tr("Choose “%1” so Olva can watch it").arg(name)));
    if (!chosen) return;
    // The rules may have been reloaded while the panel was open.
    if (index >= static_cast<int>(config_.folders.size()) || config_.folders[index].path != asked) return;

    const std::string path = keepAccess(*chosen);
    if (auto same = samePlace(config_, path); same && *same != index) {
        setSelection(Selection::folder(*same));
        return;
    }
    d_->edit(locateFolderAction, [&](Config& config) { config.folders[index].path = path; });
}

// ---- Access

std::string Model::keepAccess(const std::filesystem::path& folder)
{
    const std::string key = abbreviate(folder.string());
    auto bookmark = makeBookmark(folder);
    if (auto* failure = std::get_if<QString>(&bookmark)) {
        setProblem(Problem{tr("Couldn’t Keep Access to “%1”").arg(lastComponent(text(folder.string()))), *failure});
        return key;
    }
    config_.bookmarks[key] = std::get<Bytes>(bookmark);
    emit configChanged();
    AccessedFolders accessed = accessed_;
    accessed[key] = folder;
    d_->setAccessed(std::move(accessed));
    return key;
}

bool Model::needsAccess(const std::string& path) const
{
    if (!isSandboxed()) return false;
    return !config_.bookmarks.contains(path);
}

void Model::reopenBookmarks()
{
    AccessedFolders accessed = accessed_;
    for (const auto& [key, bookmark] : config_.bookmarks) {
        if (accessed.contains(key)) continue;
        // One that does not resolve stays stored and is tried again at the
        // next start or reload.
        if (auto folder = resolveBookmark(bookmark)) accessed[key] = *folder;
    }
    d_->setAccessed(std::move(accessed));
}

void Model::Private::setAccessed(AccessedFolders accessed)
{
    if (accessed == model.accessed_) return;
    model.accessed_ = std::move(accessed);
    emit model.accessedChanged();
}

void Model::revealFolder(int index)
{
    if (index < 0 || index >= static_cast<int>(config_.folders.size()) || !services_.workspace) return;
    services_.workspace->reveal(folderURL(config_.folders[static_cast<std::size_t>(index)]));
}

}  // namespace olva::app
