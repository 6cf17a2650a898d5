// Opening targets: which requests reach the desktop, in which order, and what
// the desktop adapter turns a text into.

#include "app/Shell.h"

#include "fakes/FakeShell.h"
#include "fakes/QtPrint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct OpenCase {
    const char* text;
    bool blankFirst; // "about:blank" is opened before the text
};
void PrintTo(const OpenCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class OpenTargetTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenTargetTest, OpensBlankPageFirstOnlyForWebPrefixes) {
    const OpenCase& c = GetParam();
    CFakeShell shell;
    OpenTarget(shell, QString::fromUtf8(c.text));
    QStringList expected;
    if (c.blankFirst)
        expected << QStringLiteral("about:blank");
    expected << QString::fromUtf8(c.text);
    EXPECT_EQ(shell.m_opened, expected);
}

const OpenCase kOpenCases[] = {
    {"http://example.org/", true},
    {"HTTP://EXAMPLE.ORG/UPPER", true},
    {"https://example.org/a b", true},
    {"HtTpS://x", true},
    {"www.example.org", true},
    {"WWW.Example.org", true},
    {"www.", true},
    {"/home/user/Documents/Reports", false},
    {"/home/user/file.pdf", false},
    {"ftp://example.org/pub", false}, // another scheme
    {"file:///tmp", false},
    {" http://example.org/", false}, // a leading blank does not count
    {"www", false},                  // shorter than the prefix
    {"http:/", false},
    {"https:/", false},
    {"wwwx.example.org", false},
};
INSTANTIATE_TEST_SUITE_P(Texts, OpenTargetTest, ::testing::ValuesIn(kOpenCases));

TEST(OpenTarget, EmptyTextOpensNothing) {
    CFakeShell shell;
    OpenTarget(shell, QString());
    EXPECT_TRUE(shell.m_opened.isEmpty());
}

struct UrlCase {
    const char* text;
    const char* url; // nullptr: a local file, compared as a path
};
void PrintTo(const UrlCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class DesktopUrlTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(DesktopUrlTest, MapsTextToWhatTheDesktopOpens) {
    const UrlCase& c = GetParam();
    const QUrl url = CDesktopShell::UrlFor(QString::fromUtf8(c.text));
    if (c.url) {
        EXPECT_EQ(url.toString(), QString::fromUtf8(c.url));
    } else {
        ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
        EXPECT_EQ(url.toLocalFile(), QDir::current().absoluteFilePath(QString::fromUtf8(c.text)));
    }
}

const UrlCase kUrlCases[] = {
    {"about:blank", "about:blank"},
    {"https://example.org/search?q=a", "https://example.org/search?q=a"},
    {"www.example.org/caf\xc3\xa9", "http://www.example.org/caf\xc3\xa9"},
    {"WWW.example.org", "http://www.example.org"}, // host names are lower case
    {"mailto:someone@example.org", "mailto:someone@example.org"},
    {"/home/user/Q3 review.pdf", nullptr},
    {"/tmp/100% done#1?.txt", nullptr}, // characters that mean something in a URL
    {"relative/notes.txt", nullptr},
    {"C:/Windows", nullptr}, // one letter is a drive, not a scheme
};
INSTANTIATE_TEST_SUITE_P(Texts, DesktopUrlTest, ::testing::ValuesIn(kUrlCases));

// A stored path whose bytes are not UTF-8 reaches the shell as Latin-1 text;
// the desktop gets the file's own bytes, not their Latin-1 reading in UTF-8.
TEST(DesktopUrl, APathThatIsNotUtf8OpensTheFileOfTheseBytes) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + "/t-\xff\xfe";
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QUrl url = CDesktopShell::UrlFor(QString::fromLatin1(path));
    EXPECT_EQ(url.toEncoded(), "file://" + QFile::encodeName(dir.path()) + "/t-%FF%FE");
}

TEST(HelpFile, LiesBesideTheProgramWhateverTheCurrentFolder) {
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    EXPECT_EQ(HelpFilePath(),
              QCoreApplication::applicationDirPath() + QStringLiteral("/quillbox.chm"));
    QDir::setCurrent(before);
}

TEST(HelpFile, AnInstalledProgramFindsItUnderShare) {
    QTemporaryDir prefix;
    QDir tree(prefix.path());
    ASSERT_TRUE(tree.mkpath("bin") && tree.mkpath("share/quillbox"));
    const QString bin = tree.filePath("bin");
    EXPECT_EQ(HelpFolderFor(bin), bin); // nowhere: beside the program, as a build has it
    QFile chm(tree.filePath("share/quillbox/quillbox.chm"));
    ASSERT_TRUE(chm.open(QIODevice::WriteOnly));
    chm.close();
    EXPECT_EQ(HelpFolderFor(bin), tree.filePath("share/quillbox"));
    QFile beside(tree.filePath("bin/quillbox.chm"));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(HelpFolderFor(bin), bin);
}

// The help opens where the desktop can show it: the help file with a program
// for it, else the HTML pages beside it (in the browser), else the file all
// the same. Both layouts: the build tree and an installed prefix.
TEST(HelpFile, OpensTheHelpFileOnlyWithAProgramForItElseThePages) {
    struct Case {
        const char* program;  // where the program lies in the tree
        const char* helpDir;  // where the help file and help/ lie
        bool pages;           // help/index.html is there
        bool handler;         // the desktop has a program for the help file
        const char* expected; // relative to the tree
    };
    const Case cases[] = {
        {"build", "build", true, true, "build/quillbox.chm"},
        {"build", "build", true, false, "build/help/index.html"},
        {"build", "build", false, false, "build/quillbox.chm"},
        {"usr/bin", "usr/share/quillbox", true, true, "usr/share/quillbox/quillbox.chm"},
        {"usr/bin", "usr/share/quillbox", true, false, "usr/share/quillbox/help/index.html"},
    };
    for (const Case& c : cases) {
        QTemporaryDir root;
        QDir tree(root.path());
        ASSERT_TRUE(tree.mkpath(c.program) && tree.mkpath(QString(c.helpDir) + "/help"));
        const auto touch = [&](const QString& name) {
            QFile file(tree.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        };
        touch(QString(c.helpDir) + "/quillbox.chm");
        if (c.pages)
            touch(QString(c.helpDir) + "/help/index.html");
        CFakeShell shell;
        shell.m_bHasHandler = c.handler;
        EXPECT_EQ(HelpTarget(shell, tree.filePath(c.program)), tree.filePath(c.expected))
            << c.program << " pages " << c.pages << " handler " << c.handler;
        EXPECT_EQ(shell.m_asked, QStringList{"application/vnd.ms-htmlhelp"});
    }
}

} // namespace
