// SPDX-License-Identifier: MIT
// The window and the data file on disk while a sync engine replaces it: what
// arrives is shown, edits on both sides are merged, conflict copies come in,
// a file under a new password leads to the prompt, and nothing either side
// wrote is lost. Files arrive as sync engines put them: written beside the
// data file and renamed over it.

#include "AppFixture.h"
#include "edit/EditKeys.h"
#include "store/DataRecords.h"
#include "sync/ConflictCopies.h"

#include <QBuffer>
#include <QLabel>
#include <cstdio>
#include <utility>

namespace {

class CollectionSyncTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(m_state.isValid());
        m_stateFolder = m_state.path();
    }

    // The bytes of a data file holding the tree build makes, under password.
    static QByteArray DataBytes(const std::function<void(CFolder&)>& build,
                                const std::string& password = {}) {
        CFolder top(ROOT_FOLDER_NAME);
        // Made elsewhere: no change of the window's tree.
        auto hook = std::exchange(g_onTreeChange, nullptr);
        build(top);
        g_onTreeChange = std::move(hook);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        WriteTreeRecords(buffer, password, top);
        return bytes;
    }
    // Puts bytes in place of name as a sync engine does.
    static void Arrive(const QByteArray& bytes, const char* name = "Quillbox.dat") {
        QFile part(QStringLiteral(".syncthing.incoming.tmp"));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.write(bytes);
        part.close();
        ASSERT_EQ(std::rename(".syncthing.incoming.tmp", name), 0);
    }
    // The sample tree without Home, with an entry Added at the end.
    static void OtherMachine(CFolder& top) {
        SampleTree(top);
        top.Remove(2);
        top.Append(std::make_unique<CEntry>("Added", "https://added.example/", nullptr));
    }
    bool WaitForRows(const QStringList& rows) {
        return QTest::qWaitFor([&] { return Rows(1) == rows; }, 6000);
    }
    QString Note() const { return m_dialog->NoteText(); }

    QTemporaryDir m_state;
};

// Close after a run that changed nothing writes nothing: the file keeps its
// bytes (a save draws new filler words, which a sync engine would carry to
// every machine) and the settings are not written either.
TEST_F(CollectionSyncTest, ARunThatChangesNothingWritesNothing) {
    WriteDataFile(SampleTree);
    const QByteArray before = FileBytes("Quillbox.dat");
    Start(); // the first run stores the dock's first place
    ClickButton(IDC_BTNCLOSE);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(FileBytes("Quillbox.dat"), before);
    m_values->m_writes.clear();
    Start();
    ClickButton(IDC_BTNCLOSE);
    EXPECT_EQ(FileBytes("Quillbox.dat"), before);
    EXPECT_TRUE(m_values->m_writes.empty());

    // A moved dock is stored, still without touching the data file.
    Start();
    m_settings->m_nDockX += 40;
    ClickButton(IDC_BTNCLOSE);
    EXPECT_EQ(FileBytes("Quillbox.dat"), before);
    EXPECT_FALSE(m_values->m_writes.empty());
}

// A first start makes an empty data file: that is no change from disk.
TEST_F(CollectionSyncTest, AFirstStartSaysNothingOfItsOwnEmptyFile) {
    Start();
    QTest::qWait(2000); // longer than the watch takes to look and settle
    EXPECT_TRUE(Note().isEmpty()) << Note().toStdString();
}

// Another machine's version is shown at once, with a quiet note, and not
// written back (this machine changed nothing).
TEST_F(CollectionSyncTest, AnArrivingFileIsShownAndNotWrittenBack) {
    WriteDataFile(SampleTree);
    Start();
    ClickRow(1, 0); // Work's folders in the second column
    const QByteArray arriving = DataBytes(OtherMachine);
    Arrive(arriving);
    ASSERT_TRUE(WaitForRows({"Work", "News", "Added"})) << Rows(1).join(',').toStdString();
    EXPECT_TRUE(Note().contains(QStringLiteral("updated from disk"))) << Note().toStdString();
    EXPECT_EQ(Rows(2), (QStringList{"Tracker", "Docs", "Reports"})); // the place is kept
    EXPECT_TRUE(m_messageBox.m_messages.isEmpty());
    ClickButton(IDC_BTNCLOSE);
    EXPECT_EQ(FileBytes("Quillbox.dat"), arriving);
}

// Edits on both sides: each side's change is in the result, which is saved
// at once and undoes as one step.
TEST_F(CollectionSyncTest, EditsOnBothSidesAreMergedAndSaved) {
    WriteDataFile(SampleTree);
    Start();
    Top().Remove(1); // News deleted here
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Home"}));
    Arrive(DataBytes(OtherMachine)); // Home deleted there, Added added
    ASSERT_TRUE(WaitForRows({"Work", "Added"})) << Rows(1).join(',').toStdString();
    EXPECT_TRUE(Note().contains(QStringLiteral("1 added"))) << Note().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->Sync()->Watch().IsSeen(); }, 3000));
    m_dialog->OnCommand(int(ID_OP_UNDO)); // the merge is one step
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Home"}));
    m_dialog->OnCommand(int(ID_OP_REDO));
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Added"}));

    m_dialog.reset(); // as a crash would: the merge was saved already
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Added"}));
}

// A save never replaces bytes it has not seen: a file that arrives just
// before Close is merged in first.
TEST_F(CollectionSyncTest, CloseRightAfterAnArrivalKeepsBothSides) {
    WriteDataFile(SampleTree);
    Start();
    Top().Remove(1);
    Arrive(DataBytes(OtherMachine));
    ClickButton(IDC_BTNCLOSE); // before the watch has looked
    EXPECT_FALSE(m_dialog->isVisible());
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Added"}));
}

// A half-written file is not taken; it is looked at again, and a save
// meanwhile keeps its bytes as a backup.
TEST_F(CollectionSyncTest, AFileCutShortIsNotTakenAndIsKept) {
    WriteDataFile(SampleTree);
    Start();
    const QByteArray cut = DataBytes(OtherMachine).left(40);
    Arrive(cut);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Note().isEmpty(); }, 6000));
    EXPECT_TRUE(Note().contains(QStringLiteral("cannot be read yet"))) << Note().toStdString();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
    Top().Remove(1);
    ClickButton(IDC_BTNCLOSE);
    EXPECT_EQ(FileBytes("Quillbox.dat.bak"), cut);
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Home"}));
}

// A sync engine's conflict copy is merged in at the start, saved, and marked
// so that it is neither lost nor merged twice; one that cannot be read is
// left alone and named.
TEST_F(CollectionSyncTest, ConflictCopiesAreMergedAtTheStart) {
    WriteDataFile(SampleTree);
    Arrive(DataBytes(OtherMachine), "Quillbox.sync-conflict-20261210-120000-ABCDEFG.dat");
    Arrive("not a data file", "Quillbox (conflicted copy 2026-12-10 120000).dat");
    Start();
    // The copy's own changes (Home deleted, Added added) come in.
    ASSERT_TRUE(WaitForRows({"Work", "News", "Added"})) << Rows(1).join(',').toStdString();
    EXPECT_TRUE(
        QFile::exists(QStringLiteral("Quillbox.sync-conflict-20261210-120000-ABCDEFG.dat.merged")));
    EXPECT_TRUE(QFile::exists(QStringLiteral("Quillbox (conflicted copy 2026-12-10 120000).dat")));
    EXPECT_TRUE(Note().contains(QStringLiteral("cannot be read"))) << Note().toStdString();
    m_dialog.reset();
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Added"}));
}

// A file that another machine put under a new password leads to the
// prompt, which says so; the password opens the new tree.
TEST_F(CollectionSyncTest, APasswordChangedElsewhereLeadsToThePrompt) {
    WriteDataFile(SampleTree);
    Start();
    Arrive(DataBytes(OtherMachine, "fresh"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown(IDC_LBLPROTECTED); }, 6000));
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
    EXPECT_TRUE(qobject_cast<QLabel*>(Item(IDC_LBLPROTECTED))
                    ->text()
                    .contains(QStringLiteral("changed on another machine")));
    TypeInto(IDC_PROMPTPASSWD, QStringLiteral("fresh"));
    ClickButton(IDC_BTNOK);
    ASSERT_NE(m_dialog->GetTopFolder(), nullptr);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Added"}));
}

} // namespace
