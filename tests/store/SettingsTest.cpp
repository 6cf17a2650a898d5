// SPDX-License-Identifier: MIT
#include "store/Settings.h"

#include "fakes/FakeSettingsStore.h"
#include "store/Cipher.h"
#include "store/DataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// From the fixtures' notes: the check value of "secret12".
constexpr std::uint32_t SECRET12_CHECK = 3064455386u; // 0xB6A7E0DA

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCipherKey();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { ResetCipherKey(); }

    std::unique_ptr<CSettings> MakeSettings() {
        return std::make_unique<CSettings>(std::make_unique<CFakeSettingsStore>(m_pStore));
    }
    QString DataFile() const { return m_dir.filePath(QStringLiteral("Quillbox.dat")); }
    void WriteDataFile(const QByteArray& bytes) {
        QFile file(DataFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir m_dir;
    std::shared_ptr<CFakeSettingsValues> m_pStore = std::make_shared<CFakeSettingsValues>();
};

struct CPasswordCase {
    const char* m_typed;
    std::uint32_t m_check;
    const char* m_key; // the current password it makes
};
const CPasswordCase PASSWORDS[] = {
    {"secret12", SECRET12_CHECK, "secret12"},
    {"secret12 and more", SECRET12_CHECK, "secret12"}, // only 8 bytes count
    {"", 0, ""},
};

class SetPasswordTest : public SettingsTest, public ::testing::WithParamInterface<CPasswordCase> {};

TEST_P(SetPasswordTest, KeepsEightBytesAndTheirCheckValue) {
    auto settings = MakeSettings();
    settings->SetPassword(GetParam().m_typed);
    EXPECT_EQ(settings->m_strPassword, GetParam().m_key);
    EXPECT_EQ(settings->m_dwPasswordCheck, GetParam().m_check);
}

INSTANTIATE_TEST_SUITE_P(Passwords, SetPasswordTest, ::testing::ValuesIn(PASSWORDS));

struct CVerifyCase {
    std::uint32_t m_stored;
    const char* m_typed;
    int m_result;
    const char* m_key;
};
const CVerifyCase VERIFIES[] = {
    {SECRET12_CHECK, "secret12", 1, "secret12"},
    {SECRET12_CHECK, "secret12xyz", 1, "secret12"},
    {SECRET12_CHECK, "secret1", 0, ""},
    {SECRET12_CHECK, "Secret12", 0, ""},
    // The empty text computes to 0: never a match for another stored value.
    {SECRET12_CHECK, "", 0, ""},
    {0, "secret12", 0, ""},
    {0, "", 0, ""},
};

class VerifyPasswordTest : public SettingsTest,
                           public ::testing::WithParamInterface<CVerifyCase> {};

TEST_P(VerifyPasswordTest, AcceptsOnlyAMatchWithTheStoredValue) {
    auto settings = MakeSettings();
    settings->m_strPassword = "previous";
    settings->m_dwPasswordCheck = GetParam().m_stored;
    EXPECT_EQ(settings->VerifyPassword(GetParam().m_typed), GetParam().m_result);
    EXPECT_EQ(settings->m_strPassword, GetParam().m_key);
    EXPECT_EQ(settings->m_dwPasswordCheck, GetParam().m_stored);
}

INSTANTIATE_TEST_SUITE_P(Typed, VerifyPasswordTest, ::testing::ValuesIn(VERIFIES));

struct CPositionCase {
    int m_x, m_y;
    std::uint32_t m_packed;
    int m_readX, m_readY; // what Load gives back
};
const CPositionCase POSITIONS[] = {
    {300, 200, 0x012C00C8u, 300, 200},
    {0, 0, 0u, 100, 100}, // zero means "no position yet"
    {0, 5, 5u, 0, 5},
    {-1, -2, 0xFFFFFFFEu, -1, -2},         // 16 bits each, read back signed
    {-1920, 300, 0xF880012Cu, -1920, 300}, // a screen left of the primary one
    {70000, 3, 0x11700003u, 4464, 3},
};

class PositionTest : public SettingsTest, public ::testing::WithParamInterface<CPositionCase> {};

TEST_P(PositionTest, PacksSixteenBitsEachAndReadsBack) {
    const CPositionCase& row = GetParam();
    auto settings = MakeSettings();
    settings->m_nDockX = row.m_x;
    settings->m_nDockY = row.m_y;
    settings->Save();
    EXPECT_EQ(m_pStore->m_values["Pos"], row.m_packed);
    auto next = MakeSettings();
    next->Load();
    EXPECT_EQ(next->m_nDockX, row.m_readX);
    EXPECT_EQ(next->m_nDockY, row.m_readY);
}

INSTANTIATE_TEST_SUITE_P(Positions, PositionTest, ::testing::ValuesIn(POSITIONS));

TEST_F(SettingsTest, SaveWritesCheckValueThenPosition) {
    auto settings = MakeSettings();
    settings->SetPassword("secret12");
    settings->m_nDockX = 300;
    settings->m_nDockY = 200;
    EXPECT_EQ(settings->Save(), 1);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {{"Passwd", SECRET12_CHECK},
                                                                         {"Pos", 0x012C00C8u}};
    EXPECT_EQ(m_pStore->m_writes, expected);
}

TEST_F(SettingsTest, MissingValuesGiveNoPasswordAndDefaultPosition) {
    auto settings = MakeSettings();
    settings->Load();
    EXPECT_EQ(settings->m_dwPasswordCheck, 0u);
    EXPECT_EQ(settings->m_nDockX, 100);
    EXPECT_EQ(settings->m_nDockY, 100);
}

TEST_F(SettingsTest, StoreThatCannotBeOpenedLeavesTheRecordAndWritesNothing) {
    m_pStore->m_bOpenFails = true;
    auto settings = MakeSettings();
    settings->m_nDockX = 7;
    settings->Load();
    EXPECT_EQ(settings->m_nDockX, 7);
    EXPECT_EQ(settings->Save(), 0) << "nothing stored";
    EXPECT_TRUE(m_pStore->m_writes.empty());
}

// A stored check value counts only while a non-empty data file exists.
struct CDataFileCase {
    const char* m_name;
    bool m_exists;
    int m_bytes;
    std::uint32_t m_loaded;
};
const CDataFileCase DATA_FILES[] = {
    {"Deleted", false, 0, 0u},
    {"Empty", true, 0, 0u},
    {"NotEmpty", true, 64, SECRET12_CHECK},
};

class StoredCheckTest : public SettingsTest, public ::testing::WithParamInterface<CDataFileCase> {};

TEST_P(StoredCheckTest, CountsOnlyWithANonEmptyDataFile) {
    m_pStore->m_values["Passwd"] = SECRET12_CHECK;
    if (GetParam().m_exists)
        WriteDataFile(QByteArray(GetParam().m_bytes, 'x'));
    auto settings = MakeSettings();
    CDataFileState state{m_dir.path()};
    LoadSettings(*settings, state);
    EXPECT_EQ(settings->m_dwPasswordCheck, GetParam().m_loaded);
    EXPECT_EQ(settings->VerifyPassword("secret12"), GetParam().m_loaded ? 1 : 0);
    EXPECT_TRUE(QFile::exists(DataFile())) << "a missing data file is created empty";
}

INSTANTIATE_TEST_SUITE_P(DataFile, StoredCheckTest, ::testing::ValuesIn(DATA_FILES),
                         [](const auto& row) { return std::string(row.param.m_name); });

TEST_F(SettingsTest, UserStoreKeepsValuesInItsIniFile) {
    const QString ini = m_dir.filePath(QStringLiteral("Quillbox.conf"));
    {
        CQSettingsStore store(ini);
        ASSERT_TRUE(store.Open());
        EXPECT_FALSE(store.Read("Passwd").has_value());
        store.Write("Passwd", SECRET12_CHECK);
        store.Write("Pos", 0x012C00C8u);
        store.Close();
    }
    CSettings settings(std::make_unique<CQSettingsStore>(ini));
    WriteDataFile(QByteArray(64, 'x'));
    CDataFileState state{m_dir.path()};
    LoadSettings(settings, state);
    EXPECT_EQ(settings.m_dwPasswordCheck, SECRET12_CHECK);
    EXPECT_EQ(settings.m_nDockX, 300);
    EXPECT_EQ(settings.m_nDockY, 200);
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[1.1]")) << text.constData();
    EXPECT_TRUE(text.contains("Passwd=3064455386")) << text.constData();
}

// A settings file that cannot be parsed is written over at the first save,
// which says it stored the values; so is one that is missing (made for the
// owner alone).
struct CBadIni {
    const char* m_name;
    QByteArray m_bytes;
};
const CBadIni BAD_INIS[] = {
    {"Missing", QByteArray()},
    {"NulByte", QByteArray("[1.1]\nPasswd=0\n\0x\n", 15)},
    {"LoneBackslash", QByteArray("\\")},
    {"RandomBytes", QByteArray("\x9c\xff\x01\x02garbage\n=\n[[[")},
};

class BadIniTest : public SettingsTest, public ::testing::WithParamInterface<CBadIni> {};

TEST_P(BadIniTest, IsReplacedAtTheFirstSave) {
    const QString ini = m_dir.filePath(QStringLiteral("config/Quillbox.conf"));
    if (!GetParam().m_bytes.isEmpty()) {
        QDir(m_dir.path()).mkdir(QStringLiteral("config"));
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().m_bytes);
    }
    CSettings settings(std::make_unique<CQSettingsStore>(ini));
    settings.Load();
    settings.SetPassword("secret12");
    settings.m_nDockX = 300;
    settings.m_nDockY = 200;
    EXPECT_EQ(settings.Save(), 1);
    CSettings next(std::make_unique<CQSettingsStore>(ini));
    next.Load();
    EXPECT_EQ(next.m_dwPasswordCheck, SECRET12_CHECK);
    EXPECT_EQ(next.m_nDockX, 300);
    if (GetParam().m_bytes.isEmpty()) {
        EXPECT_EQ(QFileInfo(ini).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                  QFile::ReadOwner | QFile::WriteOwner);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BadIniTest, ::testing::ValuesIn(BAD_INIS),
                         [](const auto& row) { return std::string(row.param.m_name); });

} // namespace
