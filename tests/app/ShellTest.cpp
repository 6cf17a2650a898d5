// SPDX-License-Identifier: MIT
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

struct COpenCase {
    const char* m_text;
    bool m_blankFirst; // "about:blank" is opened before the text
};
void PrintTo(const COpenCase& c, std::ostream* os) {
    *os << '"' << c.m_text << '"';
}

class OpenTargetTest : public ::testing::TestWithParam<COpenCase> {};

TEST_P(OpenTargetTest, OpensBlankPageFirstOnlyForWebPrefixes) {
    const COpenCase& c = GetParam();
    CFakeShell shell;
    OpenTarget(shell, QString::fromUtf8(c.m_text));
    QStringList expected;
    if (c.m_blankFirst)
        expected << QStringLiteral("about:blank");
    expected << QString::fromUtf8(c.m_text);
    EXPECT_EQ(shell.m_opened, expected);
}

const COpenCase OPEN_CASES[] = {
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
INSTANTIATE_TEST_SUITE_P(Texts, OpenTargetTest, ::testing::ValuesIn(OPEN_CASES));

TEST(OpenTarget, EmptyTextOpensNothing) {
    CFakeShell shell;
    OpenTarget(shell, QString());
    EXPECT_TRUE(shell.m_opened.isEmpty());
}

struct CUrlCase {
    const char* m_text;
    const char* m_url; // nullptr: a local file, compared as a path
};
void PrintTo(const CUrlCase& c, std::ostream* os) {
    *os << '"' << c.m_text << '"';
}

class DesktopUrlTest : public ::testing::TestWithParam<CUrlCase> {};

TEST_P(DesktopUrlTest, MapsTextToWhatTheDesktopOpens) {
    const CUrlCase& c = GetParam();
    const QUrl url = CDesktopShell::UrlFor(QString::fromUtf8(c.m_text));
    if (c.m_url) {
        EXPECT_EQ(url.toString(), QString::fromUtf8(c.m_url));
    } else {
        ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
        EXPECT_EQ(url.toLocalFile(), QDir::current().absoluteFilePath(QString::fromUtf8(c.m_text)));
    }
}

const CUrlCase URL_CASES[] = {
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
INSTANTIATE_TEST_SUITE_P(Texts, DesktopUrlTest, ::testing::ValuesIn(URL_CASES));

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
    struct CCase {
        const char* m_program;  // where the program lies in the tree
        const char* m_helpDir;  // where the help file and help/ lie
        bool m_pages;           // help/index.html is there
        bool m_handler;         // the desktop has a program for the help file
        const char* m_expected; // relative to the tree
    };
    const CCase cases[] = {
        {"build", "build", true, true, "build/quillbox.chm"},
        {"build", "build", true, false, "build/help/index.html"},
        {"build", "build", false, false, "build/quillbox.chm"},
        {"usr/bin", "usr/share/quillbox", true, true, "usr/share/quillbox/quillbox.chm"},
        {"usr/bin", "usr/share/quillbox", true, false, "usr/share/quillbox/help/index.html"},
    };
    for (const CCase& c : cases) {
        QTemporaryDir root;
        QDir tree(root.path());
        ASSERT_TRUE(tree.mkpath(c.m_program) && tree.mkpath(QString(c.m_helpDir) + "/help"));
        const auto touch = [&](const QString& name) {
            QFile file(tree.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        };
        touch(QString(c.m_helpDir) + "/quillbox.chm");
        if (c.m_pages)
            touch(QString(c.m_helpDir) + "/help/index.html");
        CFakeShell shell;
        shell.m_bHasHandler = c.m_handler;
        EXPECT_EQ(HelpTarget(shell, tree.filePath(c.m_program)), tree.filePath(c.m_expected))
            << c.m_program << " pages " << c.m_pages << " handler " << c.m_handler;
        EXPECT_EQ(shell.m_asked, QStringList{"application/vnd.ms-htmlhelp"});
    }
}

} // namespace
