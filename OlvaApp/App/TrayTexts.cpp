#include "OlvaApp/App/TrayTexts.h"

#include "Core/base/Paths.h"
#include "OlvaApp/Sentences/FolderStatusLabel.h"
#include "OlvaApp/Sentences/PathText.h"
#include "OlvaApp/Sentences/Segment.h"
#include "OlvaApp/Sentences/StepSentence.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>

#include <filesystem>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::Tray)
};

}  // namespace

TrayStateLook trayStateLook(TrayState state)
{
    switch (state) {
    case TrayState::paused:
        return {"pause.circle", QStringLiteral("tools.olva.app-paused"), Words::tr("Paused")};
    case TrayState::needsAttention:
        return {"exclamationmark.triangle", QStringLiteral("tools.olva.app-attention"),
                Words::tr("Needs attention")};
    case TrayState::watching: break;
    }
    return {"folder.badge.gearshape", QStringLiteral("tools.olva.app-watching"), Words::tr("Watching")};
}

TrayState trayState(bool paused, bool storeProblem, bool recentError, bool problemFolders)
{
    if (paused) return TrayState::paused;
    if (storeProblem || recentError || problemFolders) return TrayState::needsAttention;
    return TrayState::watching;
}

QString cutToCharacters(const QString& text, qsizetype limit)
{
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    qsizetype keepEnd = 0;  // where the first limit - 1 characters end
    while (characters.toNextBoundary() != -1) {
        ++count;
        if (count == limit - 1) keepEnd = characters.position();
        if (count > limit) return text.left(keepEnd) + QStringLiteral("…");
    }
    return text;
}

QString problemFolderLine(const Folder& folder, FolderStatus status)
{
    return Words::tr("%1: %2").arg(lastComponent(QString::fromStdString(folderURL(folder).string())), folderStatusLabel(status).value_or(QString()));
}

std::vector<Entry> recentTrayEntries(std::span<const Entry> entries)
{
    std::vector<Entry> recent;
    for (auto it = entries.rbegin(); it != entries.rend() && recent.size() < 5; ++it)
        if (!it->undoOf || it->error) recent.push_back(*it);
    return recent;
}

QString recentEntryTitle(const Entry& entry)
{
    return Words::tr("%1 · %2").arg(cutToCharacters(lastComponent(QString::fromStdString(entry.file)), 30),
                                    cutToCharacters(plainText(resultText(entry)), 40));
}

QString menuItemText(QString text)
{
    return text.replace(u'&', QStringLiteral("&&")).replace(u'\t', u' ');
}

}  // namespace olva::app
