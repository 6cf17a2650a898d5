// SPDX-License-Identifier: MIT
// The password: set at the options panel, asked for at the next start,
// refused and accepted at the prompt, removed again; the prompt writes nothing.

#include "AppFixture.h"

#include <QCheckBox>

namespace {

class PasswordTest : public AppFixture {
protected:
    // Sets password at the options panel of a running window.
    void SetPasswordAtOptions(const QString& password, const QString& confirm) {
        ClickButton(IDC_BTNOPT);
        auto* check = qobject_cast<QCheckBox*>(Item(IDC_USEPASSWD));
        if (!check->isChecked())
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(7, 7));
        TypeInto(IDC_NEWPASSWD, password);
        TypeInto(IDC_CONFIRM, confirm);
        ClickButton(IDC_BTNSAVE);
    }
    void AnswerPrompt(const QString& password) {
        TypeInto(IDC_PROMPTPASSWD, password);
        ClickButton(IDC_BTNOK);
    }
    std::uint32_t StoredCheck() { return m_values->m_values["Passwd"]; }
};

TEST_F(PasswordTest, SetAtOptionsAskedAtRestartRefusedThenAccepted) {
    WriteDataFile(SampleTree);
    Start();
    SetPasswordAtOptions(QStringLiteral("secret12"), QStringLiteral("secret12"));
    EXPECT_NE(StoredCheck(), 0u);
    EXPECT_TRUE(Shown(IDC_LIST1)); // back at the main panel
    const QByteArray saved = FileBytes("Quillbox.dat");
    ClickButton(IDC_BTNCLOSE);

    Start();
    EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
    EXPECT_TRUE(Item(IDC_PROMPTPASSWD)->hasFocus()); // the user can type at once
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
    for (int id : {IDC_BTNMAIN, IDC_BTNOPT, IDC_BTNABOUT, IDC_BTNDOCK})
        EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {IDC_BTNHELP, IDC_BTNMINI, IDC_BTNCLOSE, IDC_BTNTITLE})
        EXPECT_TRUE(Enabled(id)) << id;

    AnswerPrompt(QStringLiteral("secret99"));
    EXPECT_TRUE(Shown(IDC_LBLINVALID));
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
    EXPECT_EQ(Edit(IDC_PROMPTPASSWD)->text(), QStringLiteral("secret99")); // kept for another try
    ClickInto(IDC_PROMPTPASSWD);
    EXPECT_FALSE(Shown(IDC_LBLINVALID));

    AnswerPrompt(QStringLiteral("secret12 and more")); // only the first 8 bytes count
    ASSERT_NE(m_dialog->GetTopFolder(), nullptr);
    EXPECT_EQ(m_settings->m_strPassword, "secret12");
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
    EXPECT_TRUE(Shown(IDC_LIST1));
    EXPECT_FALSE(Shown(IDC_PROMPTPASSWD));
    for (int id : {IDC_BTNMAIN, IDC_BTNOPT, IDC_BTNABOUT, IDC_BTNDOCK})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(FileBytes("Quillbox.dat").size(), saved.size());
}

TEST_F(PasswordTest, EmptyPromptDoesNothing) {
    WriteDataFile(SampleTree, "pw");
    Start();
    ClickButton(IDC_BTNOK);
    EXPECT_FALSE(Shown(IDC_LBLINVALID));
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
}

struct CMismatchCase {
    const char* m_password;
    const char* m_confirm;
};
void PrintTo(const CMismatchCase& c, std::ostream* os) {
    *os << '"' << c.m_password << "\" vs \"" << c.m_confirm << '"';
}

class PasswordMismatchTest : public PasswordTest,
                             public ::testing::WithParamInterface<CMismatchCase> {};

TEST_P(PasswordMismatchTest, ShowsTheLabelAndStoresNothing) {
    WriteDataFile(SampleTree);
    Start();
    const QByteArray before = FileBytes("Quillbox.dat");
    SetPasswordAtOptions(QString::fromUtf8(GetParam().m_password),
                         QString::fromUtf8(GetParam().m_confirm));
    EXPECT_TRUE(Shown(IDC_LBLNOTMATCH));
    EXPECT_TRUE(Shown(IDC_BTNSAVE)); // still the options panel
    EXPECT_EQ(StoredCheck(), 0u);
    EXPECT_TRUE(m_settings->m_strPassword.empty());
    EXPECT_EQ(FileBytes("Quillbox.dat"), before);
    ClickInto(IDC_CONFIRM); // the confirmation box does not hide it
    EXPECT_TRUE(Shown(IDC_LBLNOTMATCH));
    ClickInto(IDC_NEWPASSWD);
    EXPECT_FALSE(Shown(IDC_LBLNOTMATCH));
}

const CMismatchCase MISMATCHES[] = {
    {"secret12", "secret99"},
    {"secret12", "Secret12"},     // case counts
    {"secret12-a", "secret12-b"}, // equal first 8 bytes, the whole texts differ
    {"secret12", ""},
};
INSTANTIATE_TEST_SUITE_P(Texts, PasswordMismatchTest, ::testing::ValuesIn(MISMATCHES));

TEST_F(PasswordTest, CheckedBoxWithEmptyPasswordDoesNothing) {
    Start();
    SetPasswordAtOptions(QString(), QString());
    EXPECT_FALSE(Shown(IDC_LBLNOTMATCH));
    EXPECT_TRUE(Shown(IDC_BTNSAVE));
    EXPECT_TRUE(m_values->m_writes.empty());
}

TEST_F(PasswordTest, UncheckingUsePasswordRemovesIt) {
    WriteDataFile(SampleTree, "secret12");
    Start();
    AnswerPrompt(QStringLiteral("secret12"));
    ClickButton(IDC_BTNOPT);
    auto* check = qobject_cast<QCheckBox*>(Item(IDC_USEPASSWD));
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(Edit(IDC_NEWPASSWD)->text(), QStringLiteral("secret12"));
    EXPECT_EQ(Edit(IDC_CONFIRM)->text(), QStringLiteral("secret12"));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(7, 7));
    EXPECT_FALSE(Shown(IDC_NEWPASSWD));
    EXPECT_FALSE(Shown(IDC_LBLPASSWD));
    ClickButton(IDC_BTNSAVE);
    EXPECT_EQ(StoredCheck(), 0u);
    EXPECT_TRUE(Shown(IDC_LIST1));
    ClickButton(IDC_BTNCLOSE);

    Start(); // no prompt, the tree read under the empty key
    EXPECT_FALSE(Shown(IDC_PROMPTPASSWD));
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
}

TEST_F(PasswordTest, FailedSaveAtOptionsIsReportedAndKeepsThePanelAndTheStoredCheck) {
    WriteDataFile(SampleTree);
    Start();
    ASSERT_TRUE(QFile::remove(QStringLiteral("Quillbox.dat")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Quillbox.dat"))); // nothing can replace it
    SetPasswordAtOptions(QStringLiteral("secret12"), QStringLiteral("secret12"));
    ASSERT_EQ(m_messageBox.m_messages.size(), 1);
    EXPECT_TRUE(m_messageBox.m_messages[0].contains(QStringLiteral("Quillbox.dat")))
        << m_messageBox.m_messages[0].toStdString();
    EXPECT_TRUE(Shown(IDC_BTNSAVE));                  // still the options panel
    EXPECT_EQ(m_settings->m_strPassword, "secret12"); // current in memory
    EXPECT_EQ(StoredCheck(), 0u);                     // but not stored without the file

    ASSERT_TRUE(QDir().rmdir(QStringLiteral("Quillbox.dat")));
    ClickButton(IDC_BTNCLOSE); // the next save writes the file under the new key
    EXPECT_NE(StoredCheck(), 0u);
    Start();
    EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
}

TEST_F(PasswordTest, ClosingAtThePromptWritesNothing) {
    WriteDataFile(SampleTree, "secret12");
    const QByteArray before = FileBytes("Quillbox.dat");
    const QStringList filesBefore = QDir::current().entryList(QDir::Files);
    CMainDialog& dialog = Start();
    CommitSessionData(); // nor does the session manager's request to save
    ClickButton(IDC_BTNCLOSE);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(FileBytes("Quillbox.dat"), before);
    EXPECT_EQ(QDir::current().entryList(QDir::Files), filesBefore);
    EXPECT_TRUE(m_values->m_writes.empty());
}

TEST_F(PasswordTest, NavigationCommandsAtThePromptDoNothing) {
    WriteDataFile(SampleTree, "secret12");
    Start();
    for (int id = IDC_NAVUP; id <= IDC_NAVDEEPEST; ++id)
        m_dialog->OnCommand(id);
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
    EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
}

} // namespace
