// SPDX-License-Identifier: MIT
// The command line: what each argument list leads to, and the checks on the
// data folder that come before any window.

#include "app/CommandLine.h"

#include "fakes/QtPrint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

unsigned Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777u : 0u;
}

struct CParseCase {
    const char* m_name;
    QStringList m_arguments; // after the program's name
    CCommandLine::EOutcome m_outcome;
    int m_exitCode;
    const char* m_textHas; // in the printed text; "" for none
    QString m_dataDir;
    bool m_userData;
    EAppRequest m_request = EAppRequest::None;
};

const CParseCase PARSE_CASES[] = {
    {"NoOptionsRunsInTheUserDataFolder", {}, CCommandLine::Run, 0, "", {}, false},
    {"Help", {"--help"}, CCommandLine::Print, 0, "Usage: quillbox [options]", {}, false},
    {"ShortHelp", {"-h"}, CCommandLine::Print, 0, "--data-dir <folder>", {}, false},
    {"Version", {"--version"}, CCommandLine::Print, 0, "quillbox 1.", {}, false},
    {"UnknownOption",
     {"--frobnicate"},
     CCommandLine::UsageError,
     2,
     "quillbox: unknown option 'frobnicate'.",
     {},
     false},
    {"UnknownOptionWinsOverHelp",
     {"--help", "--frobnicate"},
     CCommandLine::UsageError,
     2,
     "Usage: quillbox",
     {},
     false},
    {"StrayArgument",
     {"Quillbox.dat"},
     CCommandLine::UsageError,
     2,
     "quillbox: unexpected argument 'Quillbox.dat'.",
     {},
     false},
    {"DataDirWithoutValue",
     {"--data-dir"},
     CCommandLine::UsageError,
     2,
     "quillbox: missing value after '--data-dir'.",
     {},
     false},
    {"DataDirEmpty", {"--data-dir", ""}, CCommandLine::UsageError, 2, "needs a folder", {}, false},
    {"DataDirTwice",
     {"--data-dir", "a", "--data-dir=b"},
     CCommandLine::UsageError,
     2,
     "more than once",
     {},
     false},
    {"DataDir", {"--data-dir", "some folder"}, CCommandLine::Run, 0, "", "some folder", false},
    {"DataDirWithEquals", {"--data-dir=/x/y"}, CCommandLine::Run, 0, "", "/x/y", false},
    {"UserData", {"--user-data"}, CCommandLine::Run, 0, "", {}, true},
    {"DataDirAndUserData",
     {"--user-data", "--data-dir", "d"},
     CCommandLine::UsageError,
     2,
     "exclude each other",
     {},
     false},
    {"Menu", {"--user-data", "--menu"}, CCommandLine::Run, 0, "", {}, true, EAppRequest::Menu},
    {"Find", {"--find"}, CCommandLine::Run, 0, "", {}, false, EAppRequest::Find},
    {"MenuAndFind",
     {"--menu", "--find"},
     CCommandLine::UsageError,
     2,
     "exclude each other",
     {},
     false},
    // A desktop session restarts a program with Qt's own options.
    {"QtOptionsPassOver",
     {"-session", "1234_5", "-reverse", "--user-data"},
     CCommandLine::Run,
     0,
     "",
     {},
     true},
    {"AfterDoubleDashNothingIsAnOption",
     {"--", "--help"},
     CCommandLine::UsageError,
     2,
     "unexpected argument '--help'",
     {},
     false},
};

class CommandLineParseTest : public ::testing::TestWithParam<CParseCase> {};

TEST_P(CommandLineParseTest, Outcome) {
    const CParseCase& c = GetParam();
    const CCommandLine line = ParseCommandLine(QStringList{"/usr/bin/quillbox"} + c.m_arguments);
    EXPECT_EQ(line.m_outcome, c.m_outcome);
    EXPECT_EQ(line.ExitCode(), c.m_exitCode);
    EXPECT_TRUE(line.m_text.contains(QLatin1String(c.m_textHas))) << line.m_text.toStdString();
    if (line.m_outcome == CCommandLine::UsageError) {
        EXPECT_TRUE(line.m_text.contains(QLatin1String("Usage: quillbox")))
            << line.m_text.toStdString();
    }
    EXPECT_EQ(line.m_dataDir, c.m_dataDir);
    EXPECT_EQ(line.m_userDataFolder, c.m_userData);
    EXPECT_EQ(line.m_request, c.m_request);
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLineParseTest, ::testing::ValuesIn(PARSE_CASES),
                         [](const auto& row) { return std::string(row.param.m_name); });

class DataFolderTest : public ::testing::Test {
protected:
    bool Prepare(const QStringList& arguments) {
        m_line = ParseCommandLine(QStringList{"quillbox"} + arguments);
        EXPECT_EQ(m_line.m_outcome, CCommandLine::Run);
        return PrepareDataFolder(m_line, m_base.path(), &m_folder, &m_error);
    }
    QString Path(const char* name) const { return m_base.filePath(QLatin1String(name)); }

    QTemporaryDir m_base;
    CCommandLine m_line;
    QString m_folder, m_error;
};

TEST_F(DataFolderTest, WithoutAFolderOptionTheUserDataFolderServes) {
    // Every kind of start, wherever it was typed: one collection.
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"--menu"}, QStringList{"--find"},
          QStringList{"--import", "b.html"}, QStringList{"--export", "b.html"}}) {
        EXPECT_TRUE(Prepare(arguments)) << arguments.join(' ').toStdString();
        EXPECT_EQ(m_folder, Path("Quillbox")) << arguments.join(' ').toStdString();
    }
    EXPECT_EQ(Mode(m_folder), 0700u);
    // "." is the portable way: the current folder, made absolute.
    EXPECT_TRUE(Prepare({"--data-dir", "."}));
    EXPECT_EQ(m_folder, QDir::currentPath());
}

TEST_F(DataFolderTest, AStrayDataFileInTheCurrentFolderIsNamedNotMoved) {
    ASSERT_TRUE(QDir(m_base.path()).mkpath("own") && QDir(m_base.path()).mkpath("here"));
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    EXPECT_TRUE(StrayDataFileNote(Path("own"), Path("here")).isEmpty()) << "nothing stray";
    write(Path("here/Quillbox.dat"), "records");
    const QString note = StrayDataFileNote(Path("own"), Path("here"));
    EXPECT_TRUE(note.contains(Path("here/Quillbox.dat"))) << note.toStdString();
    EXPECT_TRUE(note.contains("--data-dir")) << note.toStdString();
    EXPECT_TRUE(QFileInfo::exists(Path("here/Quillbox.dat")));
    EXPECT_FALSE(QFileInfo::exists(Path("own/Quillbox.dat")));
    // A first run's empty data file still counts as none.
    write(Path("own/Quillbox.dat"), "");
    EXPECT_FALSE(StrayDataFileNote(Path("own"), Path("here")).isEmpty());
    write(Path("own/Quillbox.dat"), "records");
    EXPECT_TRUE(StrayDataFileNote(Path("own"), Path("here")).isEmpty());
    EXPECT_TRUE(StrayDataFileNote(Path("here"), Path("here")).isEmpty());
}

TEST_F(DataFolderTest, DataDirMustBeAWritableFolder) {
    ASSERT_TRUE(QDir(m_base.path()).mkdir("ok"));
    EXPECT_TRUE(Prepare({"--data-dir", Path("ok")}));
    EXPECT_EQ(m_folder, Path("ok"));
    EXPECT_TRUE(QDir(Path("ok")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        << "the write probe was left behind";

    EXPECT_FALSE(Prepare({"--data-dir", Path("missing")}));
    EXPECT_TRUE(m_error.contains("does not exist")) << m_error.toStdString();
    EXPECT_TRUE(m_folder.isEmpty());

    QFile file(Path("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(Prepare({"--data-dir", Path("file")}));
    EXPECT_TRUE(m_error.contains("is not a folder")) << m_error.toStdString();

    // Root writes through any mode bits; /proc takes no new file from anyone.
    const QString locked = geteuid() == 0 ? QStringLiteral("/proc") : Path("locked");
    if (geteuid() != 0) {
        ASSERT_TRUE(QDir(m_base.path()).mkdir("locked"));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    }
    EXPECT_FALSE(Prepare({"--data-dir", locked}));
    EXPECT_TRUE(m_error.contains("cannot write")) << m_error.toStdString();
}

TEST_F(DataFolderTest, UserDataFolderIsMadeForItsOwnerOnly) {
    EXPECT_TRUE(Prepare({"--user-data"}));
    EXPECT_EQ(m_folder, Path("Quillbox"));
    EXPECT_EQ(Mode(m_folder), 0700u);

    // One that exists keeps the mode its owner gave it.
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::ExeGroup);
    EXPECT_TRUE(Prepare({"--user-data"}));
    EXPECT_EQ(Mode(m_folder), 0750u);

    EXPECT_FALSE(PrepareDataFolder(m_line, QString(), &m_folder, &m_error));
    EXPECT_TRUE(m_error.contains("not known")) << m_error.toStdString();
}

} // namespace

TEST(CommandLineExchange, ImportAndExportTakeOneFile) {
    const auto parse = [](const QStringList& arguments) {
        return ParseCommandLine(QStringList{"/usr/bin/quillbox"} + arguments);
    };
    const CCommandLine import = parse({"--import", "b.html", "--data-dir", "d"});
    EXPECT_EQ(import.m_outcome, CCommandLine::Run);
    EXPECT_EQ(import.m_importFile, QLatin1String("b.html"));
    EXPECT_TRUE(import.m_exportFile.isEmpty());
    EXPECT_EQ(parse({"--export=out.html"}).m_exportFile, QLatin1String("out.html"));
    EXPECT_TRUE(parse({"--help"}).m_text.contains(QLatin1String("--import <file>")));
    for (const QStringList& wrong :
         {QStringList{"--import", "a", "--export", "b"},
          QStringList{"--import", "a", "--import", "b"}, QStringList{"--export", ""}})
        EXPECT_EQ(parse(wrong).m_outcome, CCommandLine::UsageError)
            << wrong.join(' ').toStdString();
}
