// What a launch asks for, and how files travel to the running app.
#include "OlvaApp/App/LaunchRequest.h"
#include "OlvaApp/Model/FileUri.h"

#include <gtest/gtest.h>

using namespace olva::app;
using Kind = LaunchRequest::Kind;

namespace {

struct Launch {
    std::vector<std::string> arguments;
    Kind kind;
    std::string file;   // for explain
    bool error = false;  // usage with a complaint
};

class Arguments : public ::testing::TestWithParam<Launch> {};

TEST_P(Arguments, AreReadAsOneRequest)
{
    const Launch& launch = GetParam();
    const LaunchRequest request = parseLaunch(launch.arguments, "/home/alex/work");
    EXPECT_EQ(request.kind, launch.kind);
    EXPECT_EQ(request.file.string(), launch.file);
    EXPECT_EQ(!request.error.isEmpty(), launch.error) << request.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Launches, Arguments,
    ::testing::Values(Launch{{}, Kind::open, ""}, Launch{{"--at-login"}, Kind::atLogin, ""},
                      Launch{{"--service"}, Kind::service, ""}, Launch{{"--pause"}, Kind::pause, ""},
                      Launch{{"--resume"}, Kind::resume, ""}, Launch{{"--run-now"}, Kind::runNow, ""},
                      // Relative files are made absolute against the working folder; absolute ones stay.
                      Launch{{"--explain", "Downloads/a b.pdf"}, Kind::explain, "/home/alex/work/Downloads/a b.pdf"},
                      Launch{{"--explain", "/tmp/x.pdf"}, Kind::explain, "/tmp/x.pdf"},
                      // Bytes that are not UTF-8 stay as they are.
                      Launch{{"--explain", "caf\xe9.txt"}, Kind::explain, "/home/alex/work/caf\xe9.txt"},
                      // An empty file is the intent's own failure, not a usage error.
                      Launch{{"--explain", ""}, Kind::explain, ""},
                      Launch{{"--explain"}, Kind::usage, "", true}, Launch{{"--pause", "--resume"}, Kind::usage, "", true},
                      Launch{{"--frobnicate"}, Kind::usage, "", true}, Launch{{"file.pdf"}, Kind::usage, "", true},
                      Launch{{"--help"}, Kind::usage, ""}, Launch{{"-h", "--bogus"}, Kind::usage, ""},
                      Launch{{"--version"}, Kind::version, ""}, Launch{{"--version", "--pause"}, Kind::version, ""},
                      Launch{{"--pause", "--version"}, Kind::version, ""},
                      Launch{{"--bogus", "--version"}, Kind::usage, "", true}));

TEST(LaunchKinds, OnlyOpeningLoginAndActivationRunTheApp)
{
    for (Kind kind : {Kind::open, Kind::atLogin, Kind::service}) {
        LaunchRequest request;
        request.kind = kind;
        EXPECT_TRUE(request.startsApp());
    }
    for (Kind kind : {Kind::pause, Kind::resume, Kind::runNow, Kind::explain, Kind::usage, Kind::version}) {
        LaunchRequest request;
        request.kind = kind;
        EXPECT_FALSE(request.startsApp());
    }
}

TEST(FileUris, CarryEveryByteOfThePath)
{
    for (std::string path : {"/tmp/plain.pdf", "/tmp/a b/c#d?e%f.txt", "/tmp/caf\xc3\xa9/\xe2\x9c\x93.md",
                             "/tmp/not-utf8-\xe9\xff.bin", "/tmp/new\nline", "/"}) {
        const QString uri = fileUri(path);
        EXPECT_TRUE(uri.startsWith(QStringLiteral("file:///"))) << uri.toStdString();
        // The URI itself is ASCII, so any bus carries it.
        for (QChar c : uri) EXPECT_LT(c.unicode(), 128);
        const auto back = pathFromFileUri(uri);
        ASSERT_TRUE(back) << uri.toStdString();
        EXPECT_EQ(back->native(), path);
    }
}

TEST(FileUris, AcceptLocalhostAndUnencodedTextFromOtherSenders)
{
    EXPECT_EQ(pathFromFileUri(QStringLiteral("file://localhost/tmp/a.pdf"))->native(), "/tmp/a.pdf");
    EXPECT_EQ(pathFromFileUri(QStringLiteral("file:///tmp/é.pdf"))->native(), "/tmp/\xc3\xa9.pdf");
}

TEST(FileUris, AnythingButALocalFileIsRefused)
{
    for (const char* uri : {"", "   ", "/tmp/a.pdf", "tmp/a.pdf", "https://example.com/a.pdf", "file://server/a.pdf",
                            "data:text/plain,hello", "file:", "file://", "file:relative/a.pdf"})
        EXPECT_FALSE(pathFromFileUri(QString::fromUtf8(uri))) << uri;
}

}  // namespace
