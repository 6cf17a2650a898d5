// SPDX-License-Identifier: MIT
// The data file decides which password opens it: settings that are lost,
// stale, unwritable or damaged never keep the user from the tree, and never
// cost a byte of it.

#include "AppFixture.h"
#include "fakes/LockedFolder.h"
#include "tree/TreeState.h"

#include <QCheckBox>
#include <QFileInfo>

namespace {

class DataFileDecidesTest : public AppFixture {
protected:
    // A new run on the settings file ini instead of the store in memory.
    CMainDialog& StartWithIni(const QString& ini) {
        m_dialog.reset();
        m_settings.reset();
        m_settings = std::make_unique<CSettings>(std::make_unique<CQSettingsStore>(ini));
        m_dialog = std::make_unique<CMainDialog>(*m_settings, m_shell, m_picker);
        m_dialog->SetMessageBox(m_messageBox);
        m_initResult = m_dialog->OnInitDialog();
        m_dialog->show();
        QApplication::setActiveWindow(m_dialog.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
        return *m_dialog;
    }
    void AnswerPrompt(const QString& password) {
        TypeInto(IDC_PROMPTPASSWD, password);
        ClickButton(IDC_BTNOK);
    }
    void SetPasswordAtOptions(const QString& password) {
        ClickButton(IDC_BTNOPT);
        auto* check = qobject_cast<QCheckBox*>(Item(IDC_USEPASSWD));
        if (!check->isChecked())
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(7, 7));
        TypeInto(IDC_NEWPASSWD, password);
        TypeInto(IDC_CONFIRM, password);
        ClickButton(IDC_BTNSAVE);
    }
    bool AtPrompt() const { return Shown(IDC_PROMPTPASSWD) && !m_dialog->GetTopFolder(); }
    bool Explained() const { return Shown(IDC_LBLPROTECTED) && Enabled(IDC_BTNMAIN); }
    void ExpectTheSampleTree() {
        ASSERT_NE(m_dialog->GetTopFolder(), nullptr);
        EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
        EXPECT_FALSE(Shown(IDC_LBLPROTECTED));
    }
    std::uint32_t Stored() const { return m_values->m_values["Passwd"]; }
};

// Settings lost, or the data file copied to another machine: the prompt asks
// for the data file's own password and says why.
TEST_F(DataFileDecidesTest, DataFileWithoutItsSettingsAsksForItsPassword) {
    WriteDataFile(SampleTree, "secret12");
    m_values->m_values.clear();
    Start();
    EXPECT_TRUE(AtPrompt());
    EXPECT_TRUE(Explained());
    AnswerPrompt(QStringLiteral("secret99"));
    EXPECT_TRUE(Shown(IDC_LBLINVALID));
    EXPECT_TRUE(AtPrompt());
    AnswerPrompt(QStringLiteral("secret12"));
    ExpectTheSampleTree();
    ClickButton(IDC_BTNCLOSE);
    EXPECT_EQ(Stored(), PasswordCheck("secret12")) << "the check value it opened with";

    Start(); // as any password-protected start
    EXPECT_TRUE(AtPrompt());
    EXPECT_FALSE(Explained());
}

// Going on without the password keeps the file as a backup, as before.
TEST_F(DataFileDecidesTest, GoingOnWithoutThePasswordKeepsTheFile) {
    WriteDataFile(SampleTree, "secret12");
    const QByteArray protectedBytes = FileBytes("Quillbox.dat");
    m_values->m_values.clear();
    Start();
    ASSERT_TRUE(Explained());
    ClickButton(IDC_BTNMAIN);
    ASSERT_NE(m_dialog->GetTopFolder(), nullptr);
    EXPECT_TRUE(Rows(1).isEmpty()) << "the fallback's tree";
    EXPECT_TRUE(Enabled(IDC_BTNOPT));
    ClickButton(IDC_BTNCLOSE);
    EXPECT_EQ(FileBytes("Quillbox.dat.bak"), protectedBytes);
    EXPECT_EQ(Stored(), 0u);
}

// A check value from another installation (or a hand edit) matches no
// password; one from an older password matches one that does not open the
// file. The data file's password opens it in both cases.
TEST_F(DataFileDecidesTest, StoredCheckValueThatDoesNotFitTheDataFile) {
    for (const char* stale : {"", "oldpass"}) {
        SCOPED_TRACE(stale);
        WriteDataFile(SampleTree, "secret12");
        m_values->m_values["Passwd"] = *stale ? PasswordCheck(stale) : 0x12345678u;
        Start();
        ASSERT_TRUE(AtPrompt());
        if (*stale) {
            AnswerPrompt(QString::fromLatin1(stale));
            EXPECT_TRUE(AtPrompt());
            EXPECT_TRUE(Explained()) << "its check value matches; the file is not under it";
            EXPECT_FALSE(Shown(IDC_LBLINVALID));
        }
        AnswerPrompt(QStringLiteral("secret12"));
        ExpectTheSampleTree();
        ClickButton(IDC_BTNCLOSE);
        EXPECT_EQ(Stored(), PasswordCheck("secret12"));
    }
}

// A check value stored for a data file that opens without a password (the
// settings could not take the removal of the password) asks for nothing.
TEST_F(DataFileDecidesTest, StoredCheckValueForAFileWithoutPasswordIsDropped) {
    WriteDataFile(SampleTree);
    m_values->m_values["Passwd"] = PasswordCheck("secret12");
    Start();
    ExpectTheSampleTree();
    ClickButton(IDC_BTNCLOSE);
    EXPECT_EQ(Stored(), 0u);
}

// The settings folder is read-only when a password is set: the user hears
// it once, the window stays that once, and then closes. The next start asks
// for the password the data file is under, and nothing is lost.
TEST_F(DataFileDecidesTest, PasswordSetWhileTheSettingsFolderIsReadOnly) {
    WriteDataFile(SampleTree);
    QDir().mkdir(QStringLiteral("config"));
    const QString ini = QDir::current().filePath(QStringLiteral("config/Quillbox.conf"));
    StartWithIni(ini);
    ExpectTheSampleTree();
    CLockedFolder locked(QDir::current().filePath(QStringLiteral("config")));
    if (locked.Writable())
        GTEST_SKIP() << "cannot make a folder read-only here";
    SetPasswordAtOptions(QStringLiteral("secret12"));
    ASSERT_EQ(m_messageBox.m_messages.size(), 1);
    EXPECT_TRUE(m_messageBox.m_messages[0].contains(QFileInfo(ini).absoluteFilePath()))
        << m_messageBox.m_messages[0].toStdString();
    EXPECT_TRUE(m_messageBox.m_messages[0].contains(QStringLiteral("The system reports: ")))
        << m_messageBox.m_messages[0].toStdString();
    EXPECT_TRUE(Shown(IDC_BTNSAVE)) << "the options panel stays";
    ClickButton(IDC_BTNCLOSE);
    EXPECT_FALSE(m_dialog->isVisible()) << "closing is not held hostage";
    EXPECT_EQ(m_messageBox.m_messages.size(), 1);

    StartWithIni(ini);
    EXPECT_TRUE(AtPrompt());
    EXPECT_TRUE(Explained());
    AnswerPrompt(QStringLiteral("secret12"));
    ExpectTheSampleTree();
}

// Settings that hold nothing new cost only the dock's place, said once.
TEST_F(DataFileDecidesTest, UnwritableSettingsWithNothingNewDoNotKeepTheWindow) {
    WriteDataFile(SampleTree);
    Start();
    m_values->m_bCloseFails = true;
    m_settings->m_nDockX += 10; // the dock was moved
    m_dialog->GetTopFolder()->Append(std::make_unique<CEntry>("Added", "x", nullptr));
    NoteTreeChange();
    CommitSessionData(); // a save before the close
    ClickButton(IDC_BTNCLOSE);
    EXPECT_FALSE(m_dialog->isVisible());
    ASSERT_EQ(m_messageBox.m_messages.size(), 1);
    EXPECT_TRUE(m_messageBox.m_messages[0].startsWith(QStringLiteral("The dock window's position")))
        << m_messageBox.m_messages[0].toStdString();
    m_values->m_bCloseFails = false;
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home", "Added"}));
}

// A settings file that cannot be parsed is replaced at the first Close,
// which says nothing.
TEST_F(DataFileDecidesTest, SettingsFileOfGarbageIsReplacedSilently) {
    WriteDataFile(SampleTree);
    const QString ini = QDir::current().filePath(QStringLiteral("Quillbox.conf"));
    for (const QByteArray& garbage :
         {QByteArray("\\"), QByteArray("\x9c\xff\x01garbage\n=\n[[[")}) {
        {
            QFile file(ini);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        StartWithIni(ini);
        ExpectTheSampleTree();
        ClickButton(IDC_BTNCLOSE);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_TRUE(m_messageBox.m_messages.isEmpty())
            << m_messageBox.m_messages.join(QLatin1Char(0x0a)).toStdString();
        EXPECT_TRUE(FileBytes("Quillbox.conf").contains("Pos=")) << "written over";
    }
}

} // namespace
