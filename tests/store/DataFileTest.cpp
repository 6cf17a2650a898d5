// SPDX-License-Identifier: MIT
#include "store/DataFile.h"

#include "TreeDump.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/LockedFolder.h"
#include "fakes/QtPrint.h"
#include "store/Cipher.h"
#include "store/RegularFile.h"
#include "store/Settings.h"
#include "store/SettingsStore.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

constexpr std::uint32_t NOPASSWORD_SEED = 7;
constexpr std::uint32_t SECRET12_SEED = 20261210;

// An integer or a string, as the records hold them.
using Value = std::variant<std::int32_t, std::string>;

QByteArray Encode(const std::vector<Value>& values, std::string_view key = {}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CCipherArchive archive(key, buffer, CCipherArchive::Store);
    for (const Value& value : values) {
        if (const auto* number = std::get_if<std::int32_t>(&value))
            archive.WriteInt(*number);
        else
            archive.WriteString(std::get<std::string>(value));
    }
    archive.Close();
    return bytes;
}

// Reads values of the kinds in expected and returns what was read.
std::vector<Value> Decode(const QByteArray& bytes, const std::vector<Value>& expected,
                          std::string_view key) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CCipherArchive archive(key, buffer, CCipherArchive::Load);
    std::vector<Value> read;
    for (const Value& value : expected) {
        if (std::holds_alternative<std::int32_t>(value))
            read.emplace_back(archive.ReadInt());
        else
            read.emplace_back(archive.ReadString());
    }
    EXPECT_THROW(archive.ReadInt(), CArchiveException) << "bytes after the last record";
    return read;
}

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCipherKey();
        ResetTreeState();
        ASSERT_TRUE(m_dir.isValid());
        m_state.m_strFolder = m_dir.path();
        m_pSettings = NewSettings();
    }
    void TearDown() override {
        if (m_pTop)
            EndTree(std::move(m_pTop));
        ResetTreeState();
        ResetCipherKey();
    }

    std::unique_ptr<CSettings> NewSettings() {
        return std::make_unique<CSettings>(std::make_unique<CFakeSettingsStore>(m_pStore));
    }
    QString PathOf(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    QByteArray DataBytes() const { return ReadAll(PathOf(DATA_FILE_NAME)); }
    void Put(const char* name, const QByteArray& bytes) {
        QFile file(PathOf(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    void Load() {
        if (m_pTop)
            EndTree(std::move(m_pTop));
        m_pTop = StartTree(nullptr);
        LoadTree(*m_pTop, *m_pSettings, m_state);
    }
    void Save(FillerSource filler = {}) {
        SaveTree(*m_pTop, *m_pSettings, m_state, std::move(filler));
    }
    // A new run: the tree ended, loaded again under password.
    void Reload(const std::string& password) {
        EndTree(std::move(m_pTop));
        m_pSettings->m_strPassword = password;
        m_state = CDataFileState{m_dir.path()};
        Load();
    }
    std::string Dump() const { return DumpItem(*m_pTop); }

    QTemporaryDir m_dir;
    std::shared_ptr<CFakeSettingsValues> m_pStore = std::make_shared<CFakeSettingsValues>();
    std::unique_ptr<CSettings> m_pSettings;
    CDataFileState m_state;
    std::unique_ptr<CFolder> m_pTop;
};

std::string SampleTreeDump() {
    return DumpJson(QJsonDocument::fromJson(ReadAll(TestDataPath("sample-tree.json"))).object());
}

// The fallback is read when there is one, but never made: a new data folder
// holds the data file alone.
TEST_F(DataFileTest, FirstRunCreatesTheDataFileEmptyAndSavesTheSixtyFourByteFile) {
    Load();
    EXPECT_EQ(Dump(), "folder(Root)[]");
    EXPECT_TRUE(QFileInfo::exists(PathOf(DATA_FILE_NAME)));
    EXPECT_EQ(QFileInfo(PathOf(DATA_FILE_NAME)).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(PathOf(FALLBACK_FILE_NAME)));
    Save(ConstantFiller(0));
    const QByteArray expected = QByteArray::fromHex("81799B0B0CDA11E8"   // 65537
                                                    "0D9F279BA5D87260"   // tag 1
                                                    "55579380D77138EF"   // length 4
                                                    "BD66FEFB545764E1"   // R
                                                    "E02BA426582B6331"   // o
                                                    "E02BA426582B6331"   // o
                                                    "B664C059F8564A65"   // t
                                                    "8CA64DE9C1B123A7"); // no children
    EXPECT_EQ(DataBytes().toHex(), expected.toHex());
}

TEST_F(DataFileTest, RecordsFollowTheTreeInPreOrder) {
    Load();
    m_pTop->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
    m_pTop->Append(std::make_unique<CEntry>("A", "", m_pTop.get()));
    auto folder = std::make_unique<CFolder>("F");
    CFolder* f = folder.get();
    m_pTop->Append(std::move(folder));
    f->Append(std::make_unique<CEntry>("B", "T", nullptr));
    m_pSettings->SetPassword("pw");
    Save();
    const std::vector<Value> expected = {65537, 1, "Root", 3, 0, 3, "A", 1, "F", 1, 2, "B", "T"};
    EXPECT_EQ(Decode(DataBytes(), expected, "pw"), expected);
}

struct CFixture {
    const char* m_file;
    const char* m_password;
    std::uint32_t m_seed;
};
const CFixture FIXTURES[] = {
    {"sample-nopassword.dat", "", NOPASSWORD_SEED},
    {"sample-secret12.dat", "secret12", SECRET12_SEED},
};

class FixtureTest : public DataFileTest, public ::testing::WithParamInterface<CFixture> {};

TEST_P(FixtureTest, LoadsTheSampleTreeAndSavesTheSameBytes) {
    const QByteArray original = ReadAll(TestDataPath(GetParam().m_file));
    ASSERT_EQ(original.size(), 5512);
    Put(DATA_FILE_NAME, original);
    m_pSettings->m_strPassword = GetParam().m_password;
    Load();
    EXPECT_EQ(Dump(), SampleTreeDump());
    Save(SeededFiller(GetParam().m_seed));
    EXPECT_EQ(DataBytes(), original);
    EXPECT_FALSE(QFileInfo::exists(PathOf("Quillbox.dat.bak")));
}

INSTANTIATE_TEST_SUITE_P(Samples, FixtureTest, ::testing::ValuesIn(FIXTURES));

TEST_F(DataFileTest, CopyOfAPasswordlessFileServesAsFallback) {
    Put(FALLBACK_FILE_NAME, ReadAll(TestDataPath("sample-nopassword.dat")));
    Load();
    EXPECT_EQ(Dump(), SampleTreeDump());
    EXPECT_FALSE(m_state.m_bKeepOldFile) << "an empty data file holds nothing to keep";
}

std::string RandomBytes(std::mt19937& random, std::size_t length, int lowest) {
    std::uniform_int_distribution<int> byte(lowest, 255);
    std::string text(length, '\0');
    for (char& c : text)
        c = static_cast<char>(byte(random));
    return text;
}

void AddRandomChildren(CFolder& folder, std::mt19937& random, int depth, int& budget) {
    std::uniform_int_distribution<int> count(0, 6), kind(0, 4), length(0, 30);
    for (int n = count(random); n > 0 && budget > 0; --n, --budget) {
        switch (depth < 5 ? kind(random) : kind(random) % 4) {
        case 0:
            folder.Append(std::make_unique<CItem>(SEPARATOR_TEXT));
            break;
        case 1:
            folder.Append(std::make_unique<CEntry>(RandomBytes(random, length(random), 0),
                                                   RandomBytes(random, length(random) * 4, 0),
                                                   nullptr));
            break;
        case 2:
            folder.Append(
                std::make_unique<CEntry>(RandomBytes(random, length(random), 0), "", &folder));
            break;
        case 3:
            folder.Append(std::make_unique<CEntry>(SEPARATOR_TEXT, "x", nullptr));
            break;
        default: {
            auto child = std::make_unique<CFolder>(RandomBytes(random, length(random), 0));
            CFolder* sub = child.get();
            folder.Append(std::move(child));
            AddRandomChildren(*sub, random, depth + 1, budget);
        }
        }
    }
}

TEST_F(DataFileTest, RandomTreeRoundTripsUnderRandomPassword) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        Reload("");
        int budget = 400;
        AddRandomChildren(*m_pTop, random, 0, budget);
        // Texts of any length come back whole.
        m_pTop->Append(std::make_unique<CEntry>(std::string(300, 'n'),
                                                RandomBytes(random, 100000, 1), nullptr));
        const std::string password = RandomBytes(random, 1 + random() % 12, 1);
        m_pSettings->SetPassword(password);
        const std::string saved = Dump();
        Save();
        EXPECT_EQ(DataBytes().size() % 8, 0);
        Reload(password.substr(0, 8));
        EXPECT_EQ(Dump(), saved);
        EXPECT_FALSE(m_state.m_bKeepOldFile);
    }
}

// Bytes after the last record load nothing: they are kept like those of a
// file that did not load completely.
TEST_F(DataFileTest, BytesAfterTheLastRecordAreKeptAsABackup) {
    const QByteArray sample = ReadAll(TestDataPath("sample-nopassword.dat"));
    for (const QByteArray& tail : {QByteArray("xyz"), sample.left(16)}) {
        SCOPED_TRACE(tail.size());
        QFile::remove(PathOf("Quillbox.dat.bak"));
        Put(DATA_FILE_NAME, sample + tail);
        Reload("");
        EXPECT_EQ(Dump(), SampleTreeDump());
        EXPECT_TRUE(m_state.m_bKeepOldFile);
        Save(SeededFiller(NOPASSWORD_SEED));
        EXPECT_EQ(ReadAll(PathOf("Quillbox.dat.bak")), sample + tail);
        EXPECT_EQ(DataBytes(), sample);
    }
}

// A data file with a tail of two gigabytes is kept as a backup a piece at a
// time: in a child process whose address space is bounded well below the
// file's size, the load and the save work, the backup holds every byte (its
// zeros as holes) and the data file is replaced.
TEST_F(DataFileTest, AHugeTailIsBackedUpWithoutHoldingItInMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the bound allows";
#else
    const QByteArray sample = ReadAll(TestDataPath("sample-nopassword.dat"));
    const qint64 size = sample.size() + (qint64(2) << 30);
    Put(DATA_FILE_NAME, sample + "junk");
    ASSERT_TRUE(QFile::resize(PathOf(DATA_FILE_NAME), size));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        const rlim_t bound = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(512) << 20);
        const rlimit limit{bound, bound};
        int code = ::setrlimit(RLIMIT_AS, &limit) == 0 ? 0 : 3;
        try {
            Reload("");
            if (code == 0 && !m_state.m_bKeepOldFile)
                code = 4;
            if (code == 0)
                Save(SeededFiller(NOPASSWORD_SEED));
        } catch (...) {
            code = code ? code : 5;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const QString backup = PathOf("Quillbox.dat.bak");
    EXPECT_EQ(QFileInfo(backup).size(), size);
    QFile kept(backup);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.read(sample.size() + 4), sample + "junk");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(backup).constData(), &info), 0);
    EXPECT_LT(qint64(info.st_blocks) * 512, qint64(64) << 20) << "the zeros were written out";
    EXPECT_EQ(DataBytes(), sample);
#endif
}

// New files are the owner's alone; a file that exists keeps its mode.
TEST_F(DataFileTest, NewFilesAreReadableByTheirOwnerOnly) {
    const auto mode = [this](const char* name) {
        return int(QFileInfo(PathOf(name)).permissions() &
                   (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther |
                    QFile::ReadOwner | QFile::WriteOwner));
    };
    const int ownerOnly = int(QFile::ReadOwner | QFile::WriteOwner);
    Load();
    EXPECT_EQ(mode(DATA_FILE_NAME), ownerOnly) << "made empty by loading";
    QFile::remove(PathOf(DATA_FILE_NAME));
    Save();
    EXPECT_EQ(mode(DATA_FILE_NAME), ownerOnly) << "made by saving";

    m_state.m_bKeepOldFile = true;
    const int shared = ownerOnly | int(QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(PathOf(DATA_FILE_NAME), QFile::Permissions(shared));
    Save();
    EXPECT_EQ(mode("Quillbox.dat.bak"), ownerOnly);
    EXPECT_EQ(mode(DATA_FILE_NAME), shared) << "the owner's choice stays";
}

// The format number shows whether a key opens the data file; files that
// show nothing refuse no key.
struct CFit {
    const char* m_name;
    std::function<QByteArray()> m_bytes; // null: no data file
    const char* m_key;
    EKeyFit m_fit;
};
const CFit FITS[] = {
    {"Missing", nullptr, "", EKeyFit::NoData},
    {"Empty", [] { return QByteArray(); }, "x", EKeyFit::NoData},
    {"ShorterThanABlock", [] { return QByteArray("abc"); }, "", EKeyFit::NoData},
    {"ItsKey", [] { return ReadAll(TestDataPath("sample-secret12.dat")); }, "secret12xyz",
     EKeyFit::Opens},
    {"NoPassword", [] { return ReadAll(TestDataPath("sample-secret12.dat")); }, "", EKeyFit::Other},
    {"AnotherKey", [] { return ReadAll(TestDataPath("sample-nopassword.dat")); }, "secret12",
     EKeyFit::Other},
    {"OtherFormat", [] { return Encode({65538}); }, "", EKeyFit::Other},
};

class KeyFitTest : public DataFileTest, public ::testing::WithParamInterface<CFit> {};

TEST_P(KeyFitTest, ReadsTheFormatNumber) {
    if (GetParam().m_bytes)
        Put(DATA_FILE_NAME, GetParam().m_bytes());
    EXPECT_EQ(DataFileKeyFits(m_state, GetParam().m_key), GetParam().m_fit);
}

INSTANTIATE_TEST_SUITE_P(DataFiles, KeyFitTest, ::testing::ValuesIn(FITS),
                         [](const auto& row) { return std::string(row.param.m_name); });

// The data file decides whether the start asks, and which typed password
// opens it; the settings' check value follows the file.
struct CAsked {
    const char* m_name;
    const char* m_fileKey; // the data file is the sample under this key
    const char* m_stored;  // the settings hold this password's check value
    EPasswordNeed m_need;
    const char* m_typed;
    EPromptAnswer m_answer;
    const char* m_after; // whose check value the record holds afterwards
};
// A check value that matches no password of these (another installation's).
constexpr const char* NO_MATCH = "#";
std::uint32_t CheckOf(const char* password) {
    return password == NO_MATCH ? 0x12345678u : PasswordCheck(password);
}
const CAsked ASKED[] = {
    {"ItsOwn", "secret12", "secret12", EPasswordNeed::Stored, "secret12", EPromptAnswer::Accepted,
     "secret12"},
    {"Wrong", "secret12", "secret12", EPasswordNeed::Stored, "secret99", EPromptAnswer::Refused,
     "secret12"},
    {"CheckMatchesNothing", "secret12", NO_MATCH, EPasswordNeed::Stored, "secret12",
     EPromptAnswer::Accepted, "secret12"},
    {"OlderPassword", "secret12", "old", EPasswordNeed::Stored, "old", EPromptAnswer::OtherKey,
     "old"},
    {"NoSettings", "secret12", "", EPasswordNeed::DataFile, "secret12", EPromptAnswer::Accepted,
     "secret12"},
    {"NoSettingsWrong", "secret12", "", EPasswordNeed::DataFile, "secret99", EPromptAnswer::Refused,
     ""},
    {"StaleCheck", "", "old", EPasswordNeed::None, nullptr, {}, ""},
    {"NoPassword", "", "", EPasswordNeed::None, nullptr, {}, ""},
};

class AskedTest : public DataFileTest, public ::testing::WithParamInterface<CAsked> {};

TEST_P(AskedTest, TheDataFileDecides) {
    const CAsked& row = GetParam();
    Put(DATA_FILE_NAME,
        ReadAll(TestDataPath(*row.m_fileKey ? "sample-secret12.dat" : "sample-nopassword.dat")));
    if (*row.m_stored)
        m_pStore->m_values["Passwd"] = CheckOf(row.m_stored);
    LoadSettings(*m_pSettings, m_state);
    EXPECT_EQ(PasswordNeeded(*m_pSettings, m_state), row.m_need);
    if (row.m_typed) {
        EXPECT_EQ(AnswerPrompt(*m_pSettings, m_state, row.m_typed), row.m_answer);
        EXPECT_EQ(m_pSettings->m_strPassword,
                  row.m_answer == EPromptAnswer::Accepted ? row.m_typed : "");
    }
    EXPECT_EQ(m_pSettings->m_dwPasswordCheck, CheckOf(row.m_after));
    if (row.m_need == EPasswordNeed::None || row.m_answer == EPromptAnswer::Accepted) {
        Load();
        EXPECT_EQ(Dump(), SampleTreeDump());
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, AskedTest, ::testing::ValuesIn(ASKED),
                         [](const auto& row) { return std::string(row.param.m_name); });

// A data file whose bytes were not (all) loaded is kept under a free backup
// name before the first save replaces it.
struct CSpoiled {
    const char* m_name;
    std::function<QByteArray()> m_bytes; // the data file, read under "reader"
    int m_earlierBackups;                // ".bak", ".bak2", ... present before
    const char* m_backup;                // the name it is kept under
    bool m_loadFails;                    // LoadTree reports end of file
};
const CSpoiled SPOILED[] = {
    {"WrongKey", [] { return ReadAll(TestDataPath("sample-secret12.dat")); }, 0, "Quillbox.dat.bak",
     false},
    {"OtherFormat",
     [] {
         return Encode({65538, 1, "Root", 0}, "reader");
     },
     1, "Quillbox.dat.bak2", false},
    {"CutShort", [] { return ReadAll(TestDataPath("sample-secret12.dat")).left(3001); }, 2,
     "Quillbox.dat.bak3", true},
};

class SpoiledFileTest : public DataFileTest, public ::testing::WithParamInterface<CSpoiled> {};

TEST_P(SpoiledFileTest, IsKeptAsideBeforeTheFirstSave) {
    const CSpoiled& row = GetParam();
    const QByteArray spoiled = row.m_bytes();
    Put(DATA_FILE_NAME, spoiled);
    Put(FALLBACK_FILE_NAME, ReadAll(TestDataPath("sample-nopassword.dat")));
    QStringList earlier;
    for (int i = 1; i <= row.m_earlierBackups; ++i) {
        const QByteArray name =
            i == 1 ? "Quillbox.dat.bak" : "Quillbox.dat.bak" + QByteArray::number(i);
        Put(name.constData(), "earlier " + name);
        earlier << QString::fromLatin1(name);
    }
    m_pSettings->m_strPassword = row.m_loadFails ? "secret12" : "reader";
    if (row.m_loadFails) {
        try {
            Load();
            FAIL() << "no error";
        } catch (const CFileError& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::EndOfFile);
            EXPECT_EQ(e.Message(), QStringLiteral("An attempt was made to access %1 past its end.")
                                       .arg(QFileInfo(PathOf(DATA_FILE_NAME)).absoluteFilePath()));
            EXPECT_GT(m_pTop->GetCount(), 0) << "the items read before the cut stay";
        }
    } else {
        Load();
        EXPECT_EQ(Dump(), SampleTreeDump()) << "the fallback's tree";
    }
    EXPECT_TRUE(m_state.m_bKeepOldFile);

    m_pSettings->m_strPassword = "reader";
    const std::string shown = Dump();
    Save();
    EXPECT_EQ(ReadAll(PathOf(row.m_backup)), spoiled);
    for (const QString& name : earlier)
        EXPECT_EQ(ReadAll(m_dir.filePath(name)), "earlier " + name.toLatin1());
    Save();
    EXPECT_EQ(QDir(m_dir.path()).entryList({QStringLiteral("*.bak*")}).size(),
              row.m_earlierBackups + 1)
        << "only the first save keeps a copy";
    Reload("reader");
    EXPECT_EQ(Dump(), shown);
}

INSTANTIATE_TEST_SUITE_P(DataFiles, SpoiledFileTest, ::testing::ValuesIn(SPOILED),
                         [](const auto& row) { return std::string(row.param.m_name); });

TEST_F(DataFileTest, FailedSaveKeepsTheOldFileAndTheStoredCheckValue) {
    Load();
    m_pTop->Append(std::make_unique<CEntry>("kept", "target", nullptr));
    m_pSettings->SetPassword("old");
    Save();
    const QByteArray before = DataBytes();
    const std::uint32_t oldCheck = m_pStore->m_values.at("Passwd");
    const std::size_t writes = m_pStore->m_writes.size();

    m_pSettings->SetPassword("new");
    m_pTop->Append(std::make_unique<CEntry>("typed this session", "t", nullptr));
    {
        CLockedFolder locked(m_dir.path());
        if (locked.Writable())
            GTEST_SKIP() << "cannot make a folder read-only here";
        try {
            Save();
            FAIL() << "no error";
        } catch (const CFileError& e) {
            EXPECT_TRUE(e.Message().startsWith(
                QStringLiteral("An unknown error occurred while accessing %1. The system reports: ")
                    .arg(QFileInfo(PathOf(DATA_FILE_NAME)).absoluteFilePath())))
                << e.Message().toStdString();
        }
        EXPECT_EQ(DataBytes(), before);
        EXPECT_EQ(m_pStore->m_values.at("Passwd"), oldCheck);
        EXPECT_EQ(m_pStore->m_writes.size(), writes);
    }
    const std::string shown = Dump();
    bool checked = false;
    m_pStore->m_onWrite = [&](const std::string& name, std::uint32_t) {
        if (name != "Passwd")
            return;
        // The new check value goes out only once the file is under the new key.
        checked = true;
        EXPECT_EQ(Decode(DataBytes().left(8), {0}, "new"), std::vector<Value>{65537});
    };
    Save();
    m_pStore->m_onWrite = nullptr;
    EXPECT_TRUE(checked);
    EXPECT_EQ(m_pStore->m_values.at("Passwd"), PasswordCheck("new"));
    Reload("new");
    EXPECT_EQ(Dump(), shown);
}

// The new file is written whole but cannot take the old one's place (here
// the folder is moved away while the tree is written): the old file and the
// stored check value stay, and the error names the data file.
TEST_F(DataFileTest, FailedCommitKeepsTheOldFileAndTheStoredCheckValue) {
    Load();
    m_pTop->Append(std::make_unique<CEntry>("kept", "target", nullptr));
    Save();
    const QByteArray before = DataBytes();
    const std::size_t writes = m_pStore->m_writes.size();
    const QString moved = m_dir.path() + QStringLiteral("-moved");
    m_pSettings->SetPassword("new");
    bool away = false;
    try {
        Save([&] {
            if (!away)
                away = QDir().rename(m_dir.path(), moved);
            return 0u;
        });
        ADD_FAILURE() << "no error";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.m_strPath, PathOf(DATA_FILE_NAME));
    }
    ASSERT_TRUE(away);
    EXPECT_EQ(ReadAll(moved + QStringLiteral("/Quillbox.dat")), before);
    EXPECT_EQ(m_pStore->m_writes.size(), writes);
    ASSERT_TRUE(QDir().rename(moved, m_dir.path()));
}

// The data file is already under the new key when the settings turn out
// unwritable. A check value that changed is reported as such (the window
// stays); one that did not only costs the dock's position. A later save
// still stores them.
TEST_F(DataFileTest, SettingsThatCannotBeStoredAreReportedAfterTheDataFileIsWritten) {
    Load();
    m_pTop->Append(std::make_unique<CEntry>("kept", "target", nullptr));
    for (const bool changed : {true, false}) {
        SCOPED_TRACE(changed);
        m_pSettings->SetPassword(changed ? "new" : "");
        m_pStore->m_bCloseFails = true;
        try {
            Save();
            FAIL() << "no error";
        } catch (const CSettingsError& e) {
            EXPECT_EQ(e.m_bCheckChanged, changed);
            EXPECT_TRUE(e.Message().startsWith(
                changed ? QStringLiteral("An unknown error occurred while accessing %1.")
                              .arg(m_pStore->m_strFileName)
                        : QStringLiteral("The dock window's position could not be stored in %1.")
                              .arg(m_pStore->m_strFileName)))
                << e.Message().toStdString();
        }
        EXPECT_EQ(Decode(DataBytes().left(8), {0}, changed ? "new" : ""),
                  std::vector<Value>{65537});
    }
    m_pSettings->SetPassword("new");
    m_pStore->m_bCloseFails = false;
    Save();
    EXPECT_EQ(m_pStore->m_values.at("Passwd"), PasswordCheck("new"));
}

// The messages of failures of no standard kind carry the system's reason.
TEST_F(DataFileTest, UnwritableSettingsFileIsReportedByItsPathAndReason) {
    QDir(m_dir.path()).mkdir(QStringLiteral("config"));
    const QString ini = m_dir.filePath(QStringLiteral("config/Quillbox.conf"));
    CSettings settings(std::make_unique<CQSettingsStore>(ini));
    settings.SetPassword("new");
    Load();
    CLockedFolder locked(m_dir.filePath(QStringLiteral("config")));
    if (locked.Writable())
        GTEST_SKIP() << "cannot make a folder read-only here";
    try {
        SaveTree(*m_pTop, settings, m_state);
        FAIL() << "no error";
    } catch (const CFileError& e) {
        EXPECT_FALSE(e.m_strReason.isEmpty());
        EXPECT_TRUE(e.Message().startsWith(
            QStringLiteral("An unknown error occurred while accessing %1. The system reports: %2.")
                .arg(QFileInfo(ini).absoluteFilePath(), e.m_strReason)))
            << e.Message().toStdString();
    }
    EXPECT_EQ(Decode(DataBytes().left(8), {0}, "new"), std::vector<Value>{65537});
}

struct CReason {
    const char* m_name;
    std::function<QString(const QTemporaryDir&)> m_path; // made in the folder
    int m_error;                                         // errno: its text is the reason
};
const CReason REASONS[] = {
    {"IsADirectory",
     [](const QTemporaryDir& dir) {
         QDir(dir.path()).mkdir(QStringLiteral("d"));
         return dir.filePath(QStringLiteral("d"));
     },
     EISDIR},
    {"FolderIsAFile",
     [](const QTemporaryDir& dir) {
         QFile(dir.filePath(QStringLiteral("f"))).open(QIODevice::WriteOnly);
         return dir.filePath(QStringLiteral("f/x/Quillbox.conf"));
     },
     ENOTDIR},
    {"Writable", [](const QTemporaryDir& dir) { return dir.filePath(QStringLiteral("new")); }, 0},
};

class ReasonTest : public DataFileTest, public ::testing::WithParamInterface<CReason> {};

TEST_P(ReasonTest, NamesWhatThePathTells) {
    const QString path = GetParam().m_path(m_dir);
    EXPECT_EQ(SystemReason(0, path), GetParam().m_error
                                         ? QString::fromLocal8Bit(std::strerror(GetParam().m_error))
                                         : QString());
    EXPECT_EQ(SystemReason(EROFS, path), QString::fromLocal8Bit(std::strerror(EROFS)))
        << "the failing call's own error comes first";
}

INSTANTIATE_TEST_SUITE_P(Paths, ReasonTest, ::testing::ValuesIn(REASONS),
                         [](const auto& row) { return std::string(row.param.m_name); });

// Hand-made files: what loading keeps and how it ends.
struct CCrafted {
    const char* m_name;
    std::function<std::vector<Value>()> m_records;
    const char* m_tree; // the tree loaded
    int m_cause;        // the CArchiveException cause reported, -1 for none
};
std::vector<Value> Nested(int depth) {
    std::vector<Value> records = {65537, 1, "Root"};
    for (int i = 0; i < depth; ++i) {
        records.emplace_back(1);   // one child,
        records.emplace_back(1);   // a folder
        records.emplace_back("n"); // named n
    }
    records.emplace_back(0);
    return records;
}
std::string NestedDump(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "folder(n)[";
    return text + std::string(std::size_t(depth), ']');
}
const std::string DEEPEST = "folder(Root)[" + NestedDump(MAX_FOLDER_DEPTH) + "]";
const CCrafted CRAFTED[] = {
    {"OtherTopName", [] { return std::vector<Value>{65537, 1, "Top", 1, 2, "a", "b"}; },
     "folder(Root)[entry(a|b)]", -1},
    {"NegativeCount",
     [] {
         return std::vector<Value>{65537, 1, "Root", -3};
     },
     "folder(Root)[]", -1},
    {"UnknownTagIsBlank", [] { return std::vector<Value>{65537, 1, "Root", 1, 9, "x"}; },
     "folder(Root)[blank(x)]", -1},
    {"HugeCount", [] { return std::vector<Value>{65537, 1, "Root", INT32_MAX, 0, 0}; },
     "folder(Root)[sep sep]", CArchiveException::EndOfFile},
    {"HugeNameCount", [] { return std::vector<Value>{65537, 1, "Root", 2, 0, 2, INT32_MAX, 'a'}; },
     "folder(Root)[sep]", CArchiveException::EndOfFile},
    {"NestedAtTheLimit", [] { return Nested(MAX_FOLDER_DEPTH); }, DEEPEST.c_str(), -1},
    {"NestedTooDeep", [] { return Nested(100000); }, DEEPEST.c_str(), CArchiveException::BadFormat},
};

class CraftedFileTest : public DataFileTest, public ::testing::WithParamInterface<CCrafted> {};

TEST_P(CraftedFileTest, LoadsWhatItCanAndEndsWithTheRightMessage) {
    Put(DATA_FILE_NAME, Encode(GetParam().m_records()));
    int cause = -1;
    try {
        Load();
    } catch (const CFileError& e) {
        cause = e.m_cause;
        EXPECT_TRUE(e.Message().contains(QFileInfo(PathOf(DATA_FILE_NAME)).absoluteFilePath()));
    }
    EXPECT_EQ(cause, GetParam().m_cause);
    EXPECT_EQ(Dump(), GetParam().m_tree);
    EXPECT_EQ(m_state.m_bKeepOldFile, cause != -1);
}

INSTANTIATE_TEST_SUITE_P(Records, CraftedFileTest, ::testing::ValuesIn(CRAFTED),
                         [](const auto& row) { return std::string(row.param.m_name); });

struct CMessage {
    CArchiveException::ECause m_cause;
    const char* m_text;
};
const CMessage MESSAGES[] = {
    {CArchiveException::EndOfFile, "An attempt was made to access /d/Quillbox.dat past its end."},
    {CArchiveException::DiskFull, "Disk full while accessing /d/Quillbox.dat."},
    {CArchiveException::HardIO,
     "A hardware I/O error was reported while accessing /d/Quillbox.dat."},
    {CArchiveException::Generic, "An unknown error occurred while accessing /d/Quillbox.dat."},
};

class MessageTest : public ::testing::TestWithParam<CMessage> {};

TEST_P(MessageTest, NamesTheFullPath) {
    const CFileError error(GetParam().m_cause, QStringLiteral("/d/Quillbox.dat"));
    EXPECT_EQ(error.Message(), QString::fromUtf8(GetParam().m_text));
    EXPECT_STREQ(error.what(), GetParam().m_text);
}

INSTANTIATE_TEST_SUITE_P(Causes, MessageTest, ::testing::ValuesIn(MESSAGES));

} // namespace

// A pipe where a file of ours should be is found out without being read (a
// read would wait for a writer forever) and named; nothing replaces it.
struct CSpecialCase {
    const char* m_name;
    const char* m_file; // in the data folder; "settings": the settings file
};
const CSpecialCase SPECIAL_CASES[] = {
    {"DataFile", DATA_FILE_NAME},
    {"Fallback", FALLBACK_FILE_NAME},
    {"Settings", "settings"},
};

class SpecialFileTest : public DataFileTest, public ::testing::WithParamInterface<CSpecialCase> {
protected:
    SpecialFileTest() { ::alarm(30); } // a hang ends the test with SIGALRM
    ~SpecialFileTest() override { ::alarm(0); }
};

TEST_P(SpecialFileTest, IsNamedAndNeverOpened) {
    const bool isSettings = std::strcmp(GetParam().m_file, "settings") == 0;
    const QString fifo = isSettings ? PathOf("Quillbox.conf") : PathOf(GetParam().m_file);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    CSettings settings(std::make_unique<CQSettingsStore>(PathOf("Quillbox.conf")));

    const QString message = SpecialFilesMessage(settings, m_state);
    EXPECT_EQ(message, QStringLiteral("%1 is a pipe, not a regular file. Quillbox reads and writes "
                                      "regular files only: move it away and start Quillbox again.")
                           .arg(fifo));
    EXPECT_EQ(settings.StoreFileName(), PathOf("Quillbox.conf"));
    // Each step that reads these files returns at once.
    LoadSettings(settings, m_state);
    EXPECT_EQ(PasswordNeeded(settings, m_state), EPasswordNeed::None);
    EXPECT_EQ(DataFileFormat(m_state), EDataFormat::Empty);
    m_pTop = StartTree(nullptr);
    if (isSettings) {
        LoadTree(*m_pTop, settings, m_state);
        settings.SetPassword("new");
        EXPECT_THROW(SaveTree(*m_pTop, settings, m_state), CSettingsError);
    } else {
        try {
            LoadTree(*m_pTop, settings, m_state);
            ADD_FAILURE() << "no error";
        } catch (const CSpecialFileError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
    if (std::strcmp(GetParam().m_file, DATA_FILE_NAME) == 0) {
        EXPECT_THROW(SaveTree(*m_pTop, settings, m_state), CSpecialFileError);
    }
    struct stat fifoInfo {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &fifoInfo), 0);
    EXPECT_TRUE(S_ISFIFO(fifoInfo.st_mode));
}

INSTANTIATE_TEST_SUITE_P(Files, SpecialFileTest, ::testing::ValuesIn(SPECIAL_CASES),
                         [](const auto& param) { return std::string(param.param.m_name); });

TEST(RegularFileTest, OpensARegularFileAndRefusesADeviceWithoutWaiting) {
    QTemporaryDir dir;
    QFile regular(dir.filePath(QStringLiteral("r")));
    ASSERT_TRUE(regular.open(QIODevice::WriteOnly));
    regular.write("abc");
    regular.close();
    ASSERT_TRUE(OpenRegularForReading(regular));
    EXPECT_EQ(regular.readAll(), "abc");
    for (const char* device : {"/dev/zero", "/dev/null"}) {
        QFile file(QString::fromLatin1(device));
        EXPECT_FALSE(OpenRegularForReading(file)) << device;
        EXPECT_FALSE(file.isOpen());
        EXPECT_TRUE(IsSpecialFile(file.fileName()));
        EXPECT_TRUE(SpecialFileMessage(file.fileName())
                        .startsWith(QString::fromLatin1(device) + QStringLiteral(" is a device,")));
    }
    EXPECT_FALSE(IsSpecialFile(dir.path()));
    EXPECT_FALSE(IsSpecialFile(dir.filePath(QStringLiteral("missing"))));
}
