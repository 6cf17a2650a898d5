// Strong protection in the window: ticked at the options, the data file is
// sealed and the settings keep no check value; the next start asks the file;
// going back to the classic format asks the user first. Locking, by command
// and after idle time, for both formats.

#include "AppFixture.h"
#include "app/QuickAccess.h"

#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>

namespace {

constexpr CStrongParams CHEAP{1, 8};

class StrongTest : public AppFixture {
protected:
    CMainDialog& StartCheap() {
        CMainDialog& dialog = Start();
        dialog.SetStrongParams(CHEAP);
        return dialog;
    }
    void Tick(int id, bool on) {
        auto* check = qobject_cast<QCheckBox*>(Item(id));
        if (check->isChecked() != on)
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(7, 7));
    }
    void SetStrong(const QString& password) {
        ClickButton(IDC_BTNOPT);
        Tick(IDC_STRONG, true);
        TypeInto(IDC_NEWPASSWD, password);
        TypeInto(IDC_CONFIRM, password);
        ClickButton(IDC_BTNSAVE);
    }
    void AnswerPrompt(const QString& password) {
        TypeInto(IDC_PROMPTPASSWD, password);
        ClickButton(IDC_BTNOK);
    }
    bool FileIsStrong() { return StartsStrong(FileBytes("Quillbox.dat")); }
};

TEST_F(StrongTest, TickedSealsTheFileAndTheNextStartAsksIt) {
    WriteDataFile(SampleTree);
    StartCheap();
    ClickButton(IDC_BTNOPT);
    Tick(IDC_STRONG, true);
    EXPECT_TRUE(qobject_cast<QCheckBox*>(Item(IDC_USEPASSWD))->isChecked());
    ClickButton(IDC_BTNSAVE); // no password: refused with the label
    EXPECT_TRUE(Shown(IDC_LBLSTRONGEMPTY));
    EXPECT_FALSE(FileIsStrong());

    const QString longPassword = QStringLiteral("correct horse battery staple");
    TypeInto(IDC_NEWPASSWD, longPassword);
    TypeInto(IDC_CONFIRM, longPassword);
    ClickButton(IDC_BTNSAVE);
    EXPECT_TRUE(Shown(IDC_LIST1));
    EXPECT_TRUE(FileIsStrong());
    EXPECT_EQ(m_values->m_values["Passwd"], 0u);
    EXPECT_TRUE(m_settings->m_strPassword.empty());
    ClickButton(IDC_BTNOPT); // the box shows the run's strong key
    EXPECT_TRUE(qobject_cast<QCheckBox*>(Item(IDC_STRONG))->isChecked());
    ClickButton(IDC_BTNCLOSE);

    StartCheap();
    EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
    AnswerPrompt(QStringLiteral("correct horse")); // its first 8 bytes are not enough
    EXPECT_TRUE(Shown(IDC_LBLINVALID));
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
    AnswerPrompt(longPassword);
    ASSERT_NE(m_dialog->GetTopFolder(), nullptr);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
}

TEST_F(StrongTest, ChangedFileIsRefusedAsAWrongPassword) {
    WriteDataFile(SampleTree);
    StartCheap();
    SetStrong(QStringLiteral("pass phrase"));
    ClickButton(IDC_BTNCLOSE);
    QByteArray bytes = FileBytes("Quillbox.dat");
    bytes[bytes.size() - 3] = char(bytes[bytes.size() - 3] ^ 0x10);
    QFile file(QStringLiteral("Quillbox.dat"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    StartCheap();
    AnswerPrompt(QStringLiteral("pass phrase"));
    EXPECT_TRUE(Shown(IDC_LBLINVALID));
    EXPECT_EQ(m_dialog->GetTopFolder(), nullptr);
}

TEST_F(StrongTest, UntickingAsksFirst) {
    WriteDataFile(SampleTree);
    StartCheap();
    SetStrong(QStringLiteral("pass phrase"));
    for (const bool accept : {false, true}) {
        m_messageBox.m_messages.clear();
        m_messageBox.m_bAnswer = accept;
        ClickButton(IDC_BTNOPT);
        Tick(IDC_STRONG, false);
        TypeInto(IDC_NEWPASSWD, QStringLiteral("classic1"));
        TypeInto(IDC_CONFIRM, QStringLiteral("classic1"));
        ClickButton(IDC_BTNSAVE);
        EXPECT_EQ(m_messageBox.m_messages.size(), 1) << accept;
        EXPECT_EQ(FileIsStrong(), !accept);
        EXPECT_EQ(m_values->m_values["Passwd"] != 0u, accept);
    }
    ClickButton(IDC_BTNCLOSE);
    StartCheap();
    AnswerPrompt(QStringLiteral("classic1"));
    ASSERT_NE(m_dialog->GetTopFolder(), nullptr);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
}

TEST_F(StrongTest, LockDropsTheTreeAndTheKeyAndThePromptOpensItAgain) {
    for (const bool strong : {true, false}) {
        SCOPED_TRACE(strong);
        QFile::remove(QStringLiteral("Quillbox.dat"));
        WriteDataFile(SampleTree);
        CMainDialog& dialog = StartCheap();
        EXPECT_FALSE(dialog.CanLock()); // no password: nothing to lock
        if (strong) {
            SetStrong(QStringLiteral("pass phrase"));
        } else {
            ClickButton(IDC_BTNOPT);
            Tick(IDC_USEPASSWD, true);
            TypeInto(IDC_NEWPASSWD, QStringLiteral("pass phrase"));
            TypeInto(IDC_CONFIRM, QStringLiteral("pass phrase"));
            ClickButton(IDC_BTNSAVE);
        }
        ClickRow(1, 0);
        ASSERT_FALSE(Edit(IDC_ADDRESS)->text().isEmpty() && Rows(2).isEmpty());
        QTest::keyClick(&dialog, Qt::Key_L, Qt::ControlModifier);
        EXPECT_EQ(dialog.GetTopFolder(), nullptr);
        EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
        EXPECT_TRUE(Rows(1).isEmpty());
        EXPECT_TRUE(Rows(2).isEmpty());
        EXPECT_TRUE(Edit(IDC_ADDRESS)->text().isEmpty());
        EXPECT_TRUE(m_settings->m_strPassword.empty());
        EXPECT_EQ(FileIsStrong(), strong);

        CQuickAccess quick(dialog);
        dialog.showMinimized();
        quick.Handle(EAppRequest::menu); // the prompt comes up, no bookmark
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_FALSE(dialog.isMinimized());

        AnswerPrompt(QStringLiteral("wrong one"));
        EXPECT_TRUE(Shown(IDC_LBLINVALID));
        AnswerPrompt(QStringLiteral("pass phrase"));
        ASSERT_NE(dialog.GetTopFolder(), nullptr);
        EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
        ClickButton(IDC_BTNCLOSE);
    }
}

TEST_F(StrongTest, IdleTimeLocksAndInputPutsItOff) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = StartCheap();
    dialog.SetIdleLockMs(1500); // in place of the minutes (room for a slow build)
    ClickButton(IDC_BTNOPT);
    Tick(IDC_STRONG, true); // the lock needs a password
    TypeInto(IDC_NEWPASSWD, QStringLiteral("pass phrase"));
    TypeInto(IDC_CONFIRM, QStringLiteral("pass phrase"));
    qobject_cast<QSpinBox*>(Item(IDC_LOCKIDLE))->setValue(5);
    ClickButton(IDC_BTNSAVE);
    EXPECT_EQ(m_values->m_values["LockIdle"], 5u);
    for (int i = 0; i < 12; ++i) { // input keeps the tree past the idle time
        QTest::qWait(200);
        QTest::mouseMove(List(1), QPoint(10 + i, 10));
    }
    EXPECT_NE(dialog.GetTopFolder(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.GetTopFolder() == nullptr; }, 8000));
    EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
}

} // namespace
