// What the desktop is handed to open a file or show it: the file's exact
// bytes, whatever its name.
#include "OlvaApp/App/FileManagerWorkspace.h"
#include "OlvaApp/Model/FileUri.h"
#include "tests/support/app/AppTestSupport.h"

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

// Stands in for the desktop's opener of file URLs.
class Opener : public QObject {
    Q_OBJECT

public:
    std::vector<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

TEST(FileManagerWorkspace, HandsTheDesktopTheExactBytesOfEveryName)
{
    Opener opener;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
    const std::filesystem::path folder = "/no such folder/sub dir";
    const std::vector<std::string> names = {"plain.pdf", "# 100% ?.txt", "caf\xc3\xa9.txt",
                                            "bad\xff"
                                            "name.pdf"};
    olva::app::FileManagerWorkspace workspace;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        opener.urls.clear();
        workspace.open(folder / name);
        ASSERT_EQ(opener.urls.size(), 1u);
        EXPECT_EQ(olva::app::pathFromFileUri(opener.urls[0].toString(QUrl::FullyEncoded)), folder / name);

        // No file manager answers on the test's bus: the folder opens
        // instead, by its exact bytes too.
        opener.urls.clear();
        workspace.reveal(folder / name / "inner");
        ASSERT_TRUE(olva::test::processUntil([&] { return !opener.urls.empty(); }));
        EXPECT_EQ(olva::app::pathFromFileUri(opener.urls[0].toString(QUrl::FullyEncoded)), folder / name);
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

}  // namespace

#include "WorkspaceTest.moc"
