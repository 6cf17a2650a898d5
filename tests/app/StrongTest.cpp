// SPDX-License-Identifier: MIT
// Strong protection in the window: ticked at the options, the data file is
// sealed and the settings keep no check value; the next start asks the file;
// going back to the classic format asks the user first. Locking, by command
// and after idle time, for both formats.

#include "AppFixture.h"
#include "app/QuickAccess.h"
#include "skin/DockDialog.h"
#include "tree/MenuResource.h"

#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>

namespace {

constexpr CStrongParams CHEAP{1, 8};

// The pop-up open at the moment.
QMenu* OpenMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Once a pop-up opens: its items' texts go to titles; then its last item is
// chosen when lockFromIt and it is "&Lock", or the pop-up is dismissed.
void ReadMenu(QStringList& titles, bool lockFromIt) {
    QTimer::singleShot(0, [&titles, lockFromIt] {
        (void)QTest::qWaitFor([] { return OpenMenu() != nullptr; });
        QMenu* menu = OpenMenu();
        if (!menu)
            return;
        for (const QAction* action : menu->actions())
            titles << action->text();
        const bool lock = lockFromIt && titles.constLast() == "&Lock";
        if (lock)
            menu->setActiveAction(menu->actions().constLast());
        QTest::keyClick(menu, lock ? Qt::Key_Return : Qt::Key_Escape);
    });
}

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
    void SetClassic(const QString& password) {
        ClickButton(IDC_BTNOPT);
        Tick(IDC_USEPASSWD, true);
        TypeInto(IDC_NEWPASSWD, password);
        TypeInto(IDC_CONFIRM, password);
        ClickButton(IDC_BTNSAVE);
    }
    void SetStrong(const QString& password) {
        ClickButton(IDC_BTNOPT);
        Tick(IDC_STRONG, true);
        TypeInto(IDC_NEWPASSWD, password);
        TypeInto(IDC_CONFIRM, password);
        ClickButton(IDC_BTNSAVE);
    }
    // A strong file's check runs on a worker: the answer comes later.
    void AnswerPrompt(const QString& password) {
        TypeInto(IDC_PROMPTPASSWD, password);
        ClickButton(IDC_BTNOK);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_dialog->CheckingPassword(); }, 30000));
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
        if (strong)
            SetStrong(QStringLiteral("pass phrase"));
        else
            SetClassic(QStringLiteral("pass phrase"));
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
        quick.Handle(EAppRequest::Menu); // the prompt comes up, no bookmark
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

// The dock's pop-up (and the tree's, which --menu and the tray show) ends
// with "&Lock" while a password of either format keeps the tree, and is as
// before without one; "&Lock" locks as Ctrl+L does, and then neither pop-up
// can be had.
TEST_F(StrongTest, TheDockMenuEndsWithLockWhileAPasswordKeepsTheTree) {
    const QStringList ownItems{"", "&Return Main", "&Close"};
    for (const char* password : {"", "classic", "strong"}) {
        SCOPED_TRACE(password);
        QFile::remove(QStringLiteral("Quillbox.dat"));
        WriteDataFile(SampleTree);
        CMainDialog& dialog = StartCheap();
        if (password == std::string("classic"))
            SetClassic(QStringLiteral("pass phrase"));
        else if (*password != '\0')
            SetStrong(QStringLiteral("pass phrase"));
        const QStringList expected = *password == '\0' ? ownItems : ownItems + QStringList{"&Lock"};
        CQuickAccess quick(dialog);

        QStringList treeMenu;
        ReadMenu(treeMenu, false);
        quick.Handle(EAppRequest::Menu);
        ASSERT_GT(treeMenu.size(), expected.size());
        EXPECT_TRUE(treeMenu.constFirst().contains("Work"));
        EXPECT_EQ(treeMenu.mid(treeMenu.size() - expected.size()), expected);

        QStringList dockMenu;
        WithDock([&](CDockDialog& dock) {
            ReadMenu(dockMenu, true);
            dock.ShowMenu(dock.mapToGlobal(QPoint(20, 20)));
            if (!dockMenu.isEmpty() && dockMenu.constLast() != "&Lock")
                dock.OnOK(CDockDialog::RESULT_RETURN);
        });
        ClickButton(IDC_BTNDOCK);
        ASSERT_GT(dockMenu.size(), expected.size());
        EXPECT_EQ(dockMenu.mid(dockMenu.size() - expected.size()), expected);
        QApplication::processEvents();
        if (*password == '\0') {
            EXPECT_NE(dialog.GetTopFolder(), nullptr);
            ClickButton(IDC_BTNCLOSE);
            continue;
        }
        // Locked from the dock: the dock has gone, the prompt is up.
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.GetTopFolder() == nullptr; }, 5000));
        EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(Enabled(IDC_BTNDOCK));
        dialog.OnCommand(IDC_BTNDOCK); // no dock while locked
        quick.Handle(EAppRequest::Menu);
        quick.Handle(EAppRequest::Find);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(qobject_cast<CDockDialog*>(w) && w->isVisible());
        AnswerPrompt(QStringLiteral("pass phrase"));
        ASSERT_NE(dialog.GetTopFolder(), nullptr);
        ClickButton(IDC_BTNCLOSE);
    }
}

// The strong key's derivations run on worker threads once the key is set:
// the prompt's check, and the next save key after the tree was opened and
// after each save. The save after an edit then derives nothing on the GUI
// thread.
TEST_F(StrongTest, ASaveAfterAnEditTakesAKeyPreparedOffTheGuiThread) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = StartCheap();
    SetStrong(QStringLiteral("pass phrase")); // the first save derives here
    const std::uint64_t here = StrongDerivationsOnThisThread();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.PreparingSaveKey(); }, 10000));
    for (int step = 0; step < 2; ++step) {
        ClickRow(1, step); // Work, one down each time
        dialog.OnCommand(int(ID_OP_DOWN));
        ASSERT_TRUE(dialog.SaveTree());
        EXPECT_EQ(StrongDerivationsOnThisThread(), here) << step;
        // A save right after the last one waits for the worker's key.
    }
    EXPECT_TRUE(FileIsStrong());
    ClickButton(IDC_BTNCLOSE);

    StartCheap();
    const std::uint64_t atPrompt = StrongDerivationsOnThisThread();
    AnswerPrompt(QStringLiteral("pass phrase"));
    ASSERT_NE(m_dialog->GetTopFolder(), nullptr);
    EXPECT_EQ(Rows(1), (QStringList{"News", "Home", "Work"}));
    EXPECT_EQ(StrongDerivationsOnThisThread(), atPrompt) << "the check and the load";
}

// A lock while the next save key is being derived drops the key at once;
// the worker's derivation ends on its own and frees what it held (the asan
// build sees no leak). The window going during a derivation waits for it.
TEST_F(StrongTest, ALockDuringAKeyPreparationIsSafe) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = StartCheap();
    dialog.SetStrongParams({2, 64 * 1024}); // long enough to lock during it
    SetStrong(QStringLiteral("pass phrase"));
    ASSERT_TRUE(dialog.PreparingSaveKey());
    QTest::keyClick(&dialog, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(dialog.GetTopFolder(), nullptr);
    EXPECT_FALSE(dialog.CanLock());
    EXPECT_TRUE(Shown(IDC_PROMPTPASSWD));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.PreparingSaveKey(); }, 30000));

    AnswerPrompt(QStringLiteral("pass phrase"));
    ASSERT_NE(dialog.GetTopFolder(), nullptr);
    EXPECT_TRUE(dialog.PreparingSaveKey()); // after the open
    ClickButton(IDC_BTNCLOSE);              // nothing to write: the key is not waited for
    EXPECT_TRUE(FileIsStrong());
}

} // namespace
