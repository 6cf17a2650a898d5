// SPDX-License-Identifier: MIT
#include "store/StrongFormat.h"

#include "TreeDump.h"
#include "fakes/FakeSettingsStore.h"
#include "store/Cipher.h"
#include "store/DataFile.h"
#include "store/DataRecords.h"
#include "store/Settings.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

// The least work libsodium allows: the tests derive hundreds of keys.
constexpr CStrongParams CHEAP{1, 8};

class StrongFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCipherKey();
        ResetTreeState();
    }
    void TearDown() override {
        if (m_pTop)
            EndTree(std::move(m_pTop));
        ResetTreeState();
        ResetCipherKey();
    }

    void NewTop() {
        if (m_pTop)
            EndTree(std::move(m_pTop));
        m_pTop = StartTree(nullptr);
    }
    // The fixture's collection: every kind of item, nested folders, bytes above 0x7F.
    void LoadSample() {
        NewTop();
        QFile file(TestDataPath("sample-nopassword.dat"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_EQ(ReadTreeRecords(file, {}, *m_pTop), EReadOutcome::Loaded);
    }
    void LoadOneEntry() {
        NewTop();
        m_pTop->Append(std::make_unique<CEntry>("a", "http://b/", nullptr));
    }

    QByteArray Seal(CStrongKey& key) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        WriteStrongRecords(buffer, key, *m_pTop);
        return bytes;
    }
    // Opens bytes into a new top folder.
    EStrongOutcome Open(QByteArray bytes, const CStrongKey& key) {
        NewTop();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        return ReadStrongRecords(buffer, key, *m_pTop);
    }
    std::string Dump() const { return DumpItem(*m_pTop); }

    std::unique_ptr<CFolder> m_pTop;
};

TEST_F(StrongFormatTest, RoundTripsUnderPasswordsOfAnyLengthAndEveryByteCounts) {
    LoadSample();
    const std::string sample = Dump();
    std::mt19937 random(20261210);
    for (std::size_t length : {1, 2, 8, 9, 17, 33, 64, 99, 100}) {
        std::string password(length, '\0');
        for (char& c : password)
            c = static_cast<char>(random() & 0xFF);
        SCOPED_TRACE(length);
        LoadSample();
        const QByteArray file = Seal(*CStrongKey::FromPassword(password, CHEAP));
        ASSERT_EQ(Open(file, *CStrongKey::FromPassword(password, CHEAP)), EStrongOutcome::Loaded);
        EXPECT_EQ(Dump(), sample);
        // The last byte counts as much as the first, and nothing is cut.
        std::string other = password;
        other.back() = static_cast<char>(other.back() ^ 1);
        for (const std::string& wrong : {other, password + "x", password.substr(0, length - 1)}) {
            if (wrong.empty())
                continue;
            EXPECT_EQ(Open(file, *CStrongKey::FromPassword(wrong, CHEAP)), EStrongOutcome::Refused);
            EXPECT_EQ(Dump(), "folder(Root)[]");
        }
    }
    EXPECT_EQ(CStrongKey::FromPassword({}), nullptr) << "an empty password is refused";
}

TEST_F(StrongFormatTest, EverySaveDrawsANewSaltAndNonceAndRecordsItsParameters) {
    LoadOneEntry();
    const auto key = CStrongKey::FromPassword("pw", CHEAP);
    const QByteArray first = Seal(*key);
    const QByteArray second = Seal(*key);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_NE(first.mid(28, 16), second.mid(28, 16)) << "salt";
    EXPECT_NE(first.mid(44, 24), second.mid(44, 24)) << "nonce";
    EXPECT_EQ(first.left(28), QByteArray("\x89Quillbox-Seal\r\n"
                                         "\x01\x00\x10\x18"
                                         "\x01\x00\x00\x00"
                                         "\x08\x00\x00\x00",
                                         28));
    // A prepared key serves the next save: that save derives nothing.
    key->PrepareSaveKey();
    const std::uint64_t before = StrongDerivations();
    Seal(*key);
    EXPECT_EQ(StrongDerivations(), before);
}

TEST_F(StrongFormatTest, ASaveDuringAPreparationWaitsForItsKey) {
    LoadOneEntry();
    const auto key = CStrongKey::FromPassword("pw", {1, 16 * 1024});
    const std::uint64_t before = StrongDerivations();
    std::thread worker([key] { key->PrepareSaveKey(); });
    while (StrongDerivations() == before) // the worker has begun
        std::this_thread::yield();
    const std::uint64_t here = StrongDerivationsOnThisThread();
    const QByteArray file = Seal(*key);
    worker.join();
    EXPECT_EQ(StrongDerivations(), before + 1) << "one key, derived once";
    EXPECT_EQ(StrongDerivationsOnThisThread(), here) << "the save took the worker's key";
    EXPECT_FALSE(key->HasSaveKey());
    EXPECT_EQ(Open(file, *key), EStrongOutcome::Loaded);
}

TEST_F(StrongFormatTest, AFlippedBitACutAnExtensionOrAnotherHeaderIsRefusedWhole) {
    LoadOneEntry();
    const auto key = CStrongKey::FromPassword("correct horse", CHEAP);
    const QByteArray file = Seal(*key);
    const QByteArray other = Seal(*key);
    ASSERT_EQ(Open(file, *key), EStrongOutcome::Loaded);
    for (qsizetype at = 0; at < file.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray changed = file;
            changed[at] = static_cast<char>(changed[at] ^ (1 << bit));
            ASSERT_EQ(Open(changed, *key), EStrongOutcome::Refused) << at << ":" << bit;
            ASSERT_EQ(Dump(), "folder(Root)[]");
        }
    }
    for (qsizetype length = 0; length < file.size(); ++length)
        ASSERT_EQ(Open(file.left(length), *key), EStrongOutcome::Refused) << length;
    for (const QByteArray& tail : {QByteArray(1, '\0'), file})
        EXPECT_EQ(Open(file + tail, *key), EStrongOutcome::Refused);
    // Another save's header over this save's seal, and the other way round.
    EXPECT_EQ(Open(other.left(STRONG_HEADER_BYTES) + file.mid(STRONG_HEADER_BYTES), *key),
              EStrongOutcome::Refused);
    EXPECT_EQ(Open(file.left(STRONG_HEADER_BYTES) + other.mid(STRONG_HEADER_BYTES), *key),
              EStrongOutcome::Refused);
}

TEST_F(StrongFormatTest, HeaderFieldsOutOfRangeAreRefusedBeforeAnyDerivation) {
    LoadOneEntry();
    const auto key = CStrongKey::FromPassword("pw", CHEAP);
    const QByteArray file = Seal(*key);
    const auto put = [](QByteArray bytes, int at, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            bytes[at + i] = static_cast<char>(value >> (8 * i));
        return bytes;
    };
    const std::uint64_t sealed = std::uint64_t(file.size()) - STRONG_HEADER_BYTES;
    const struct {
        const char* m_what;
        int m_at;
        std::uint64_t m_value;
        int m_width;
    } rows[] = {
        {"version 0", 16, 0, 2},
        {"version 2", 16, 2, 2},
        {"salt length", 18, 15, 1},
        {"nonce length", 19, 12, 1},
        {"no passes", 20, 0, 4},
        {"too many passes", 20, STRONG_MAX_OPS + 1, 4},
        {"most passes", 20, 0xFFFFFFFF, 4},
        {"too little memory", 24, STRONG_MIN_MEMORY_KIB - 1, 4},
        {"too much memory", 24, STRONG_MAX_MEMORY_KIB + 1, 4},
        {"4 TiB of memory", 24, 0xFFFFFFFF, 4},
        {"no seal", 68, 0, 8},
        {"shorter than a tag", 68, 15, 8},
        {"longer than the file", 68, sealed + 1, 8},
        {"shorter than the file", 68, sealed - 1, 8},
        {"huge", 68, ~std::uint64_t(0), 8},
    };
    for (const auto& row : rows) {
        const std::uint64_t before = StrongDerivations();
        EXPECT_EQ(Open(put(file, row.m_at, row.m_value, row.m_width), *key),
                  EStrongOutcome::Refused)
            << row.m_what;
        EXPECT_EQ(StrongDerivations(), before) << row.m_what;
    }
}

TEST_F(StrongFormatTest, TheFirstBytesTellTheFormats) {
    const auto formatOf = [](QByteArray bytes) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        return DeviceFormat(buffer);
    };
    for (const char* name : {"sample-nopassword.dat", "sample-secret12.dat"})
        EXPECT_EQ(formatOf(ReadAll(TestDataPath(name))), EDataFormat::Classic) << name;
    EXPECT_EQ(formatOf({}), EDataFormat::Empty);
    LoadOneEntry();
    EXPECT_EQ(formatOf(Seal(*CStrongKey::FromPassword("pw", CHEAP))), EDataFormat::Strong);
    // Under the empty key a classic file's first block is the format number
    // and one of 32768 filler words: none is the magic's first block.
    SetCipherKey(MakeKeyBlock(""));
    for (std::uint32_t filler = 0; filler <= 0x7FFF; ++filler) {
        std::uint8_t block[8] = {0x01,
                                 0x00,
                                 0x01,
                                 0x00,
                                 static_cast<std::uint8_t>(filler),
                                 static_cast<std::uint8_t>(filler >> 8),
                                 0,
                                 0};
        EncipherBlock(block);
        ASSERT_NE(std::memcmp(block, StrongMagic().data(), 8), 0) << filler;
    }
}

// The file rules around a strong data file.
class StrongDataFileTest : public StrongFormatTest {
protected:
    void SetUp() override {
        StrongFormatTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        m_state.m_strFolder = m_dir.path();
    }
    QString DataPath() const { return m_dir.filePath(QString::fromLatin1(DATA_FILE_NAME)); }
    // A new run with strongKey (or none).
    void Reload(std::shared_ptr<CStrongKey> strongKey) {
        m_state = CDataFileState{m_dir.path()};
        m_state.m_pStrongKey = std::move(strongKey);
        NewTop();
        LoadTree(*m_pTop, m_settings, m_state);
    }
    void Save() { SaveTree(*m_pTop, m_settings, m_state); }

    QTemporaryDir m_dir;
    std::shared_ptr<CFakeSettingsValues> m_pStore = std::make_shared<CFakeSettingsValues>();
    CSettings m_settings{std::make_unique<CFakeSettingsStore>(m_pStore)};
    CDataFileState m_state;
};

TEST_F(StrongDataFileTest, SavesStrongStoresNoCheckValueAndReopensOnlyWithItsKey) {
    const auto key = CStrongKey::FromPassword("a long passphrase of many words", CHEAP);
    Reload(key);
    LoadSample();
    const std::string sample = Dump();
    m_settings.SetPassword("classic"); // ticking the strong format leaves this behind
    Save();
    EXPECT_TRUE(ReadAll(DataPath()).startsWith("\x89Quillbox-Seal\r\n"));
    EXPECT_EQ(m_pStore->m_values.at("Passwd"), 0u);
    EXPECT_EQ(DataFileKeyFits(m_state, "classic"), EKeyFit::Other);

    Reload(key);
    EXPECT_EQ(Dump(), sample);
    EXPECT_FALSE(m_state.m_bKeepOldFile);

    // Without the key the file stays unread and is kept before a save replaces it.
    const QByteArray strongBytes = ReadAll(DataPath());
    Reload(nullptr);
    EXPECT_EQ(Dump(), "folder(Root)[]");
    EXPECT_TRUE(m_state.m_bKeepOldFile);
    Save();
    EXPECT_EQ(ReadAll(DataPath() + QStringLiteral(".bak")), strongBytes);
}

TEST_F(StrongDataFileTest, AChangedFileOrAnotherPasswordIsRefusedWithOneMessageAndKept) {
    const auto key = CStrongKey::FromPassword("pw", CHEAP);
    Reload(key);
    LoadOneEntry();
    Save();
    QByteArray changed = ReadAll(DataPath());
    changed[changed.size() - 1] = static_cast<char>(changed[changed.size() - 1] ^ 0x80);
    const QString expected =
        QFileInfo(DataPath()).absoluteFilePath() + QStringLiteral(" was changed or damaged.");
    for (const auto& [bytes, password] :
         {std::pair{ReadAll(DataPath()), "other"}, std::pair{changed, "pw"}}) {
        {
            QFile file(DataPath());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        }
        try {
            Reload(CStrongKey::FromPassword(password, CHEAP));
            ADD_FAILURE() << "loaded under " << password;
        } catch (const CChangedFileError& e) {
            EXPECT_EQ(e.Message(), expected);
        }
        EXPECT_EQ(Dump(), "folder(Root)[]");
        EXPECT_TRUE(m_state.m_bKeepOldFile);
    }
    Save();
    EXPECT_EQ(ReadAll(DataPath() + QStringLiteral(".bak")), changed);
}

TEST_F(StrongDataFileTest, ThePromptOpensTheFileWithTheWholePasswordAndTheLoadDerivesNoMore) {
    Reload(CStrongKey::FromPassword("twelve bytes", CHEAP));
    LoadOneEntry();
    const std::string saved = Dump();
    Save();
    m_state = CDataFileState{m_dir.path()};
    EXPECT_EQ(DataFileFormat(m_state), EDataFormat::Strong);
    EXPECT_EQ(PasswordNeeded(m_settings, m_state), EPasswordNeed::DataFile);
    for (const char* wrong : {"", "twelve b", "twelve bytes!"})
        EXPECT_EQ(AnswerPrompt(m_settings, m_state, wrong), EPromptAnswer::Refused) << wrong;
    EXPECT_EQ(m_state.m_pStrongKey, nullptr);
    ASSERT_EQ(AnswerPrompt(m_settings, m_state, "twelve bytes"), EPromptAnswer::Accepted);
    ASSERT_NE(m_state.m_pStrongKey, nullptr);
    EXPECT_TRUE(m_settings.m_strPassword.empty());
    const std::uint64_t before = StrongDerivations();
    NewTop();
    LoadTree(*m_pTop, m_settings, m_state);
    EXPECT_EQ(Dump(), saved);
    EXPECT_EQ(StrongDerivations(), before);
}

TEST_F(StrongDataFileTest, CopiesOfTheTreeTakeTheDataFilesFormatAndKey) {
    LoadSample();
    const std::string sample = Dump();
    m_settings.SetPassword("secret12");
    for (const bool strong : {false, true}) {
        SCOPED_TRACE(strong);
        m_state.m_pStrongKey = strong ? CStrongKey::FromPassword("pw", CHEAP) : nullptr;
        LoadSample();
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        WriteTreeAs(out, m_settings, m_state, *m_pTop);
        EXPECT_EQ(StartsStrong(bytes), strong);
        const auto read = [&] {
            NewTop();
            QBuffer in(&bytes);
            in.open(QIODevice::ReadOnly);
            return ReadTreeAs(in, m_settings, m_state, *m_pTop);
        };
        EXPECT_EQ(read(), EReadOutcome::Loaded);
        EXPECT_EQ(Dump(), sample);
        m_state.m_pStrongKey = strong ? CStrongKey::FromPassword("other", CHEAP) : nullptr;
        m_settings.SetPassword(strong ? "secret12" : "other");
        EXPECT_EQ(read(), EReadOutcome::OtherFormat);
        EXPECT_EQ(Dump(), "folder(Root)[]");
        m_settings.SetPassword("secret12");
    }
}

} // namespace
