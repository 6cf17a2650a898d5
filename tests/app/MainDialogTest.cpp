// SPDX-License-Identifier: MIT
// The main window as the user meets it: what shows first, the panels, the
// editing commands, the address box, opening, and closing.

#include "AppFixture.h"
#include "app/Shell.h"
#include "skin/DockDialog.h"
#include "skin/WindowSkin.h"
#include "tree/MenuResource.h"
#include "tree/TreeState.h"

#include <QCheckBox>
#include <QMenu>

namespace {

using MainDialogTest = AppFixture;

TEST_F(MainDialogTest, FirstStartWithoutFilesShowsTheMainPanelAndCloseWritesTheTree) {
    CMainDialog& dialog = Start();
    EXPECT_TRUE(m_initResult);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Quillbox"));
    EXPECT_EQ(dialog.size(), QSize(556, 452));
    EXPECT_FALSE(dialog.mask().isEmpty());
    EXPECT_TRUE(Shown(IDC_LIST1));
    EXPECT_TRUE(Rows(1).isEmpty());
    EXPECT_FALSE(Shown(IDC_PROMPTPASSWD));
    EXPECT_FALSE(Enabled(IDC_ADDRESS));
    EXPECT_FALSE(Enabled(IDC_BTNGO));
    EXPECT_FALSE(Enabled(IDC_BTNSELECT));
    EXPECT_TRUE(Enabled(IDC_BTNDOCK));
    EXPECT_TRUE(QFile::exists(QStringLiteral("Quillbox.dat")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("Quillbox.org"))); // read when there, never made

    ClickButton(IDC_BTNCLOSE);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(FileBytes("Quillbox.dat").size(), 64); // the version and an empty "Root"
    EXPECT_EQ(m_values->m_values["Passwd"], 0u);
    EXPECT_EQ(dialog.GetTopFolder(), nullptr);
}

TEST_F(MainDialogTest, EveryControlOfTheTableExistsUnderItsRoleName) {
    Start();
    for (const CControl& row : CONTROLS) {
        const QWidget* control = Item(row.m_id);
        ASSERT_NE(control, nullptr) << row.m_name;
        EXPECT_EQ(m_dialog->findChild<QWidget*>(QString::fromLatin1(row.m_name)), control)
            << row.m_name;
        EXPECT_EQ(control->toolTip(), QString::fromUtf8(row.m_toolTip)) << row.m_name;
        EXPECT_EQ(control->accessibleName(), QString::fromUtf8(row.m_accessibleName)) << row.m_name;
    }
    EXPECT_EQ(Item(IDC_LIST1 - 100), nullptr);
    for (int id = IDC_NAVUP; id <= IDC_NAVDEEPEST; ++id)
        EXPECT_FALSE(Shown(id)) << id;
}

// A bitmap button or label has its bitmap's size, which must be the size its
// row gives; labels never take input.
TEST_F(MainDialogTest, EveryControlSitsAtItsPlace) {
    Start();
    for (const CControl& row : CONTROLS) {
        if (row.m_rect.IsEmpty())
            continue;
        const QWidget* control = Item(row.m_id);
        EXPECT_EQ(control->geometry(),
                  QRect(row.m_rect.m_x, row.m_rect.m_y, row.m_rect.m_w, row.m_rect.m_h))
            << row.m_name;
        if (!HasBitmap(row))
            continue;
        const auto* button = qobject_cast<const CQBBitmapButton*>(control);
        ASSERT_NE(button, nullptr) << row.m_name;
        EXPECT_EQ(button->text(), QString::fromLatin1(row.m_name));
        EXPECT_EQ(button->GetImage(CQBBitmapButton::EImage::Normal).size(),
                  QSize(row.m_rect.m_w, row.m_rect.m_h))
            << row.m_name;
        if (row.m_kind == EControlKind::Label) {
            EXPECT_FALSE(button->isEnabled()) << row.m_name;
        }
    }
}

// After each panel operation every control is in the state its row gives
// that panel (Later: hidden until the panel asks; the options panel shows the
// password fields only when a password is set).
TEST_F(MainDialogTest, PanelsSetExactlyTheStatesOfTheControlTable) {
    WriteDataFile(SampleTree, "secret12");
    Start();
    const auto expectPanel = [this](EPanel panel, const char* name) {
        for (const CControl& row : CONTROLS) {
            switch (StateIn(row, panel)) {
            case EControlState::Enable:
                EXPECT_TRUE(Enabled(row.m_id)) << name << ' ' << row.m_name;
                break;
            case EControlState::Disable:
                EXPECT_FALSE(Enabled(row.m_id)) << name << ' ' << row.m_name;
                break;
            case EControlState::Show:
                EXPECT_TRUE(Shown(row.m_id)) << name << ' ' << row.m_name;
                break;
            case EControlState::Hide:
            case EControlState::Later:
                EXPECT_FALSE(Shown(row.m_id)) << name << ' ' << row.m_name;
                break;
            case EControlState::Keep:
                break;
            }
        }
    };
    expectPanel(EPanel::Prompt, "prompt");

    TypeInto(IDC_PROMPTPASSWD, QStringLiteral("secret12"));
    ClickButton(IDC_BTNOK);
    expectPanel(EPanel::Main, "main");
    // What the prompt locked is open again.
    for (int id : {IDC_BTNMAIN, IDC_BTNOPT, IDC_BTNABOUT, IDC_BTNDOCK})
        EXPECT_TRUE(Enabled(id)) << id;

    ClickButton(IDC_BTNABOUT);
    expectPanel(EPanel::About, "about");

    m_settings->SetPassword(""); // the options panel as it looks without a password
    ClickButton(IDC_BTNOPT);
    expectPanel(EPanel::Options, "options");

    ClickButton(IDC_BTNMAIN);
    expectPanel(EPanel::Main, "main again");
}

// Selecting Work, Docs and Report leaves the three columns showing the top
// folder, Work and Docs, with the right column active.
class EditingTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        WriteDataFile(SampleTree);
        Start();
        ClickRow(1, 0); // Work
        ClickRow(2, 1); // Docs
        ClickRow(3, 0); // Report
    }
    CItem& Work() const { return *Top().GetChild(0); }
    CItem& Docs() const { return *Work().GetChild(1); }
    static QStringList Names(const CItem& folder) {
        QStringList names;
        for (int i = 0; i < folder.GetCount(); ++i)
            names << QString::fromStdString(folder.GetChild(i)->GetName());
        return names;
    }
};

TEST_F(EditingTest, ButtonsActOnTheListLastClickedEvenWithTheFocusInTheAddressBox) {
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("/home/user/report.pdf"));
    ClickInto(IDC_ADDRESS);
    ASSERT_TRUE(Item(IDC_ADDRESS)->hasFocus());
    ClickButton(IDC_BTNDOWN);
    EXPECT_EQ(Names(Docs()), (QStringList{"Notes", "Report", "Old"}));
    EXPECT_EQ(Rows(3), (QStringList{"Notes", "Report", "Old"}));

    ClickInto(IDC_ADDRESS);
    ClickButton(IDC_BTNDEL);
    EXPECT_EQ(Names(Docs()), (QStringList{"Notes", "Old"}));
    EXPECT_EQ(Names(Work()), (QStringList{"Tracker", "Docs", "Reports"}));

    ClickButton(IDC_BTNADDSEP); // before the row now selected, Notes
    EXPECT_EQ(Names(Docs()), (QStringList{QString::fromStdString(SEPARATOR_TEXT), "Notes", "Old"}));
}

TEST_F(EditingTest, MenuCommandsActOnTheFocusedListOnly) {
    ClickRow(2, 0); // Tracker: the middle list has the focus
    m_dialog->OnCommand(int(ID_OP_DOWN));
    EXPECT_EQ(Names(Work()), (QStringList{"Docs", "Tracker", "Reports"}));
    m_dialog->OnCommand(int(ID_OP_DELETE));
    EXPECT_EQ(Names(Work()), (QStringList{"Docs", "Reports"}));

    ClickRow(1, 1);         // News, an entry: the address box takes the focus next
    ClickInto(IDC_ADDRESS); // the focus on none of the lists: nothing
    m_dialog->OnCommand(int(ID_OP_DELETE));
    m_dialog->OnCommand(int(ID_OP_INSERTSEP));
    EXPECT_EQ(Names(Work()), (QStringList{"Docs", "Reports"}));
    EXPECT_EQ(Top().GetCount(), 3);
}

// Types into the in-place editor that a command opened, then ends the edit.
void TypeIntoEditor(const QString& text, Qt::Key end = Qt::Key_Return) {
    QWidget* editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor)) << "no label editor open";
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, end);
    QApplication::processEvents();
}

TEST_F(EditingTest, InsertNamesANewEntryBeforeTheSelectedRowOrNothing) {
    ClickButton(IDC_BTNADD); // Report is selected in the right column
    EXPECT_EQ(Rows(3), (QStringList{"", "Report", "Notes", "Old"}));
    TypeIntoEditor(QStringLiteral("  Memo  "));
    EXPECT_EQ(Names(Docs()), (QStringList{"Memo", "Report", "Notes", "Old"}));
    EXPECT_TRUE(Docs().GetChild(0)->IsContainer()); // a blank entry
    EXPECT_EQ(Rows(3), (QStringList{"Memo", "Report", "Notes", "Old"}));

    ClickRow(3, -1);
    ClickButton(IDC_BTNADD); // nothing selected: at the end
    EXPECT_EQ(Rows(3).size(), 5);
    TypeIntoEditor(QStringLiteral("   "));
    EXPECT_EQ(Names(Docs()), (QStringList{"Memo", "Report", "Notes", "Old"}));
    EXPECT_EQ(Rows(3), (QStringList{"Memo", "Report", "Notes", "Old"}));
}

// While a new entry is being named the list holds one row more than the
// folder: the list taking the focus then must not select by its row numbers.
TEST_F(EditingTest, NamingANewEntryShowsNoOtherChild) {
    ClickRow(2, 0); // Tracker, an entry before the folder Docs
    ASSERT_TRUE(Rows(3).isEmpty());
    ClickButton(IDC_BTNADD);
    EXPECT_EQ(Rows(2), (QStringList{"", "Tracker", "Docs", "Reports"}));
    EXPECT_TRUE(Rows(3).isEmpty());
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("https://tracker.example.org/"));
    TypeIntoEditor(QStringLiteral("Memo"));
    EXPECT_EQ(Names(Work()), (QStringList{"Memo", "Tracker", "Docs", "Reports"}));
    EXPECT_TRUE(Rows(3).isEmpty()); // the new, empty entry is shown
    ClickRow(2, 1);                 // Tracker
    EXPECT_TRUE(Rows(3).isEmpty());
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("https://tracker.example.org/"));

    ClickButton(IDC_BTNADD); // named nothing: back as it was
    TypeIntoEditor(QString());
    EXPECT_EQ(Rows(2), (QStringList{"Memo", "Tracker", "Docs", "Reports"}));
    ClickRow(3, -1);
    ClickRow(2, 1);
    EXPECT_TRUE(Rows(3).isEmpty());
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("https://tracker.example.org/"));
}

TEST_F(EditingTest, RenameEditsTheSelectedRowButNeverASeparator) {
    ClickButton(IDC_BTNREN);
    TypeIntoEditor(QStringLiteral(" Annual report "));
    EXPECT_EQ(Names(Docs()), (QStringList{"Annual report", "Notes", "Old"}));

    ClickButton(IDC_BTNADDSEP); // the separator becomes the selected row
    ClickButton(IDC_BTNREN);
    EXPECT_FALSE(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    EXPECT_EQ(Names(Docs())[0], QString::fromStdString(SEPARATOR_TEXT));
}

TEST_F(EditingTest, TheOpMenuOfARightPressEditsThatList) {
    // Chooses the command of that text from the pop-up once it shows.
    const auto choose = [](const QString& text) {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer, text] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    if (action->text() == text) {
                        timer->deleteLater();
                        menu->setActiveAction(action);
                        QTest::keyClick(menu, Qt::Key_Return);
                        return;
                    }
            }
        });
        timer->start(10);
    };
    choose(QStringLiteral("D&own"));
    ClickRow(2, 0, Qt::RightButton); // Tracker in the middle list
    QApplication::processEvents();
    EXPECT_EQ(Names(Work()), (QStringList{"Docs", "Tracker", "Reports"}));
    choose(QStringLiteral("&Delete"));
    ClickRow(1, 2, Qt::RightButton); // Home in the left list
    QApplication::processEvents();
    EXPECT_EQ(Top().GetCount(), 2);
    EXPECT_EQ(Top().GetChild(1)->GetName(), "News");
}

TEST_F(EditingTest, CommandsWithNoRowSelectedOnlyGiveTheListTheFocus) {
    ClickRow(1, 2); // Home, an entry: the middle list shows nothing
    ClickRow(2, -1);
    for (int id = IDC_BTNDEL; id <= IDC_BTNDOWN; ++id)
        ClickButton(id);
    EXPECT_EQ(Top().GetCount(), 3);
    EXPECT_TRUE(Rows(2).isEmpty());
}

TEST_F(EditingTest, TypedAddressIsStoredInTheEntrySelectedBeforeTheClick) {
    ClickRow(1, 1); // News
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("www.example.org"));
    const QString typed =
        QStringLiteral("https://news.example.org/") + QString(300, QLatin1Char('q'));
    TypeInto(IDC_ADDRESS, typed);
    ClickRow(1, 2);                                                           // Home
    EXPECT_EQ(QString::fromStdString(Top().GetChild(1)->GetTarget()), typed); // whole, not cut
    EXPECT_EQ(Top().GetChild(2)->GetTarget(), "/home/user");
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("/home/user"));
}

TEST_F(EditingTest, AddressNotEditedKeepsATargetThatIsNotUtf8) {
    Top().GetChild(2)->SetTarget("/home/caf\xe9"); // Latin-1 bytes from elsewhere
    ClickRow(1, 2);
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("/home/caf\u00e9"));
    ClickInto(IDC_ADDRESS);
    ClickRow(1, 1);
    EXPECT_EQ(Top().GetChild(2)->GetTarget(), "/home/caf\xe9");
}

// A target is never cut, however long: not where the box shows it, not when
// the box hands it back on losing the focus, not when Go opens it. The box
// shows its start, as an edit control does.
TEST_F(EditingTest, LongTargetIsShownKeptAndOpenedWhole) {
    const std::string target = "https://example.org/?q=" + std::string(40000, 'q') + "&end";
    Top().GetChild(2)->SetTarget(target);
    ClickRow(1, 2); // Home
    EXPECT_EQ(Edit(IDC_ADDRESS)->text().size(), qsizetype(target.size()));
    EXPECT_EQ(Edit(IDC_ADDRESS)->cursorPosition(), 0);
    ClickInto(IDC_ADDRESS);
    ClickButton(IDC_BTNGO);
    ASSERT_EQ(m_shell.m_opened.size(), 2);
    EXPECT_EQ(m_shell.m_opened[1].size(), qsizetype(target.size()));
    EXPECT_EQ(Top().GetChild(2)->GetTarget().size(), target.size());

    ClickInto(IDC_ADDRESS); // typing at the end of a long text
    Edit(IDC_ADDRESS)->end(false);
    QTest::keyClicks(Item(IDC_ADDRESS), QStringLiteral("2"));
    ClickRow(1, 1);
    EXPECT_TRUE(Top().GetChild(2)->GetTarget() == target + "2");
}

TEST_F(EditingTest, GoAndDoubleClickOpenTheAddressThroughTheShell) {
    ClickRow(1, 1); // News
    ClickButton(IDC_BTNGO);
    EXPECT_EQ(m_shell.m_opened, (QStringList{"about:blank", "www.example.org"}));

    m_shell.m_opened.clear();
    DoubleClickRow(1, 2); // Home
    EXPECT_EQ(m_shell.m_opened, QStringList{"/home/user"});

    m_shell.m_opened.clear();
    DoubleClickRow(1, 0); // Work, a folder: the address box is empty
    EXPECT_TRUE(m_shell.m_opened.isEmpty());

    ClickRow(1, 2); // a typed address is stored before Go opens it
    TypeInto(IDC_ADDRESS, QStringLiteral("WWW.Example.org/typed"));
    ClickButton(IDC_BTNGO);
    EXPECT_EQ(m_shell.m_opened, (QStringList{"about:blank", "WWW.Example.org/typed"}));
    EXPECT_EQ(Top().GetChild(2)->GetTarget(), "WWW.Example.org/typed");
}

TEST_F(EditingTest, SelectPutsTheChosenPathIntoTheAddressAndTheEntryOnTheNextClick) {
    ClickRow(1, 2); // Home
    m_picker.m_answer = QStringLiteral("/srv/chosen file.txt");
    ClickButton(IDC_BTNSELECT);
    EXPECT_EQ(m_picker.m_prompts, QStringList{"please select a directory or file:"});
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("/srv/chosen file.txt"));
    EXPECT_TRUE(Item(IDC_ADDRESS)->hasFocus());
    ClickRow(1, 1);
    EXPECT_EQ(Top().GetChild(2)->GetTarget(), "/srv/chosen file.txt");

    ClickRow(1, 2);
    m_picker.m_answer.reset(); // cancelled
    ClickButton(IDC_BTNSELECT);
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("/srv/chosen file.txt"));
}

TEST_F(MainDialogTest, HelpAndTitleOpenTheirPages) {
    Start();
    ClickButton(IDC_BTNHELP);
    ClickButton(IDC_BTNTITLE);
    EXPECT_EQ(m_shell.m_opened,
              (QStringList{QCoreApplication::applicationDirPath() + "/quillbox.chm", "about:blank",
                           QString::fromLatin1(HOME_PAGE_URL)}));
}

TEST_F(EditingTest, HiddenNavigationCommandsShiftTheColumns) {
    // An entry selected in the right column: no shift.
    m_dialog->OnCommand(IDC_NAVDOWN);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
    // A folder selected there: one level down is accepted.
    ClickRow(3, 2); // Old
    m_dialog->OnCommand(IDC_NAVDOWN);
    EXPECT_EQ(Rows(1), (QStringList{"Tracker", "Docs", "Reports"}));
    EXPECT_EQ(Rows(2), (QStringList{"Report", "Notes", "Old"}));
    EXPECT_EQ(Rows(3), QStringList{"Q3"});
    // Nothing selected in the right column now: no further shift.
    m_dialog->OnCommand(IDC_NAVDOWN);
    EXPECT_EQ(Rows(1), (QStringList{"Tracker", "Docs", "Reports"}));
    m_dialog->OnCommand(IDC_NAVUP);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
    m_dialog->OnCommand(IDC_NAVDEEPEST);
    EXPECT_EQ(Rows(1), (QStringList{"Tracker", "Docs", "Reports"}));
    m_dialog->OnCommand(IDC_NAVTOP);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
    EXPECT_EQ(Rows(2), (QStringList{"Tracker", "Docs", "Reports"}));
}

TEST_F(MainDialogTest, DockStandsInForTheHiddenMainWindowAndReturns) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    bool mainHidden = false;
    WithDock([&](CDockDialog& dock) {
        mainHidden = !dialog.isVisible();
        dock.OnCmdMsg(33009); // News, the 9th item in tree order
        dock.OnOK(CDockDialog::RESULT_RETURN);
    });
    ClickButton(IDC_BTNDOCK);
    EXPECT_TRUE(mainHidden);
    EXPECT_EQ(m_shell.m_opened, (QStringList{"about:blank", "www.example.org"}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(g_nDisplayMode, 0);
    EXPECT_EQ(dialog.GetContentMenu()->GetMenuItemCount(), 3);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
}

TEST_F(MainDialogTest, DockCloseSavesItsPositionAndClosesTheProgram) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    WithDock([](CDockDialog& dock) {
        dock.move(300, 200);
        dock.OnOK(CDockDialog::RESULT_CLOSE);
    });
    ClickButton(IDC_BTNDOCK);
    QApplication::processEvents();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.GetTopFolder(), nullptr);
    EXPECT_EQ(m_values->m_values["Pos"], 0x012C00C8u);
}

// Where the platform reports no window positions (native Wayland reports
// 0, 0), a dock session leaves the stored place as it was.
TEST_F(MainDialogTest, DockCloseKeepsThePositionWhereThePlatformReportsNone) {
    WriteDataFile(SampleTree);
    m_values->m_values["Pos"] = 0x00640050u; // 100, 80
    Start();
    CWindowSkin::SetPlacesWindows(false);
    WithDock([](CDockDialog& dock) {
        dock.move(0, 0);
        dock.OnOK(CDockDialog::RESULT_CLOSE);
    });
    ClickButton(IDC_BTNDOCK);
    CWindowSkin::SetPlacesWindows(std::nullopt);
    QApplication::processEvents();
    EXPECT_EQ(m_values->m_values["Pos"], 0x00640050u);
}

TEST_F(MainDialogTest, EscapeCloseRequestAndEnterLeaveTheWindowOpen) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    const QByteArray before = FileBytes("Quillbox.dat");
    ClickRow(1, 1);
    for (QWidget* target : {static_cast<QWidget*>(&dialog), Item(IDC_LIST1), Item(IDC_ADDRESS)}) {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(target, key);
    }
    EXPECT_FALSE(dialog.close());
    m_dialog->reject();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.GetTopFolder(), nullptr);
    EXPECT_TRUE(m_shell.m_opened.isEmpty());
    EXPECT_EQ(FileBytes("Quillbox.dat"), before);
    EXPECT_TRUE(m_values->m_writes.empty());
}

// A data file cut short: the start reports it, goes on with the items read
// before the cut, and the first save keeps the damaged bytes beside the new file.
TEST_F(MainDialogTest, DamagedFileIsReportedShownInPartAndKeptAtClose) {
    WriteDataFile(SampleTree);
    QByteArray bytes = FileBytes("Quillbox.dat");
    bytes.chop(16);
    QFile file(QStringLiteral("Quillbox.dat"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();

    CMainDialog& dialog = Start();
    ASSERT_EQ(m_messageBox.m_messages.size(), 1);
    EXPECT_TRUE(m_messageBox.m_messages[0].contains(QStringLiteral("past its end")))
        << m_messageBox.m_messages[0].toStdString();
    EXPECT_TRUE(Shown(IDC_LIST1));
    ASSERT_FALSE(Rows(1).isEmpty());
    EXPECT_EQ(Rows(1)[0], QStringLiteral("Work"));

    ClickButton(IDC_BTNCLOSE);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(FileBytes("Quillbox.dat.bak"), bytes);
    EXPECT_GT(FileBytes("Quillbox.dat").size(), 64);
}

TEST_F(MainDialogTest, FailedSaveAtCloseIsReportedAndKeepsTheWindowAndTree) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    ASSERT_TRUE(QFile::remove(QStringLiteral("Quillbox.dat")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Quillbox.dat"))); // nothing can replace it
    NoteTreeChange();                                          // an edit waits to be written

    ClickButton(IDC_BTNCLOSE);
    ASSERT_EQ(m_messageBox.m_messages.size(), 1);
    EXPECT_TRUE(m_messageBox.m_messages[0].contains(
        QDir::current().filePath(QStringLiteral("Quillbox.dat"))))
        << m_messageBox.m_messages[0].toStdString();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_NE(dialog.GetTopFolder(), nullptr);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));

    ASSERT_TRUE(QDir().rmdir(QStringLiteral("Quillbox.dat")));
    ClickButton(IDC_BTNCLOSE);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_GT(FileBytes("Quillbox.dat").size(), 64);
}

} // namespace
