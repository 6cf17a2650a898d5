// Strong protection in the window: ticked at the options, the data file is
// sealed and the settings keep no check value; the next start asks the file;
// going back to the classic format asks the user first.

#include "AppFixture.h"

#include <QCheckBox>

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

} // namespace
