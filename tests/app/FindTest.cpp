// SPDX-License-Identifier: MIT
// The quick-find palette in the main window and the dock window: when Ctrl+F
// opens it, what Enter opens, and how a found item is revealed in the columns.

#include "AppFixture.h"
#include "skin/DockDialog.h"
#include "skin/FindPalette.h"

#include <QListView>

namespace {

class FindTest : public AppFixture {
protected:
    // The sample tree with one folder more under Old: Deep (Deep link).
    static void DeepTree(CFolder& top) {
        SampleTree(top);
        CItem* old = top.GetChild(0)->GetChild(1)->GetChild(2);
        auto deep = std::make_unique<CFolder>("Deep");
        deep->Append(std::make_unique<CEntry>("Deep link", "https://deep.example.org/", nullptr));
        static_cast<CFolder*>(old)->Append(std::move(deep));
    }

    CFindPalette* Palette() const {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* palette = qobject_cast<CFindPalette*>(widget);
                palette && palette->isVisible())
                return palette;
        return nullptr;
    }
    CFindPalette* PressCtrlF(QWidget* where = nullptr) {
        QTest::keyClick(where ? where : Item(IDC_LIST1), Qt::Key_F, Qt::ControlModifier);
        QApplication::processEvents();
        return Palette();
    }
    void Type(CFindPalette* palette, const QString& text, Qt::KeyboardModifiers enter = {}) {
        ASSERT_NE(palette, nullptr);
        QTest::keyClicks(palette->GetEdit(), text);
        QTest::keyClick(palette->GetEdit(), Qt::Key_Return, enter);
        QApplication::processEvents();
    }
    int Selected(int n) const {
        const QModelIndexList rows = List(n)->selectionModel()->selectedIndexes();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
};

TEST_F(FindTest, CtrlFOpensThePaletteOnceATreeIsLoadedAndEscapeGivesTheFocusBack) {
    WriteDataFile(SampleTree, "secret12");
    Start();
    ASSERT_TRUE(Shown(IDC_PROMPTPASSWD));
    EXPECT_EQ(PressCtrlF(Item(IDC_PROMPTPASSWD)), nullptr);
    m_dialog->ShowFindPalette();
    EXPECT_EQ(Palette(), nullptr);

    TypeInto(IDC_PROMPTPASSWD, QStringLiteral("secret12"));
    ClickButton(IDC_BTNOK);
    ClickRow(2, 0);
    ASSERT_TRUE(List(2)->hasFocus());
    CFindPalette* palette = PressCtrlF(List(2));
    ASSERT_NE(palette, nullptr);
    EXPECT_TRUE(palette->GetEdit()->hasFocus());
    QTest::keyClick(palette->GetEdit(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(Palette(), nullptr);
    EXPECT_TRUE(List(2)->hasFocus());
}

TEST_F(FindTest, EnterOpensTheEntryAsGoDoes) {
    WriteDataFile(SampleTree);
    Start();
    Type(PressCtrlF(), QStringLiteral("NEWS"));
    EXPECT_EQ(Palette(), nullptr);
    const QStringList found = m_shell.m_opened;
    m_shell.m_opened.clear();
    ClickRow(1, 1); // News
    ClickButton(IDC_BTNGO);
    EXPECT_EQ(found, m_shell.m_opened);
    EXPECT_EQ(found, (QStringList{"about:blank", "www.example.org"}));
}

struct CRevealCase {
    const char* m_what;
    const char* m_typed;
    bool m_ctrl;
    bool m_fromOptions;
    QStringList m_left, m_middle, m_right;
    int m_selected[3]; // the selected row of each column
    int m_column;      // the column that lists the item
    const char* m_address;
    bool m_addressEnabled;
};
const CRevealCase REVEALS[] = {
    {"an entry four folders deep",
     "deep link",
     true,
     false,
     {"Report", "Notes", "Old"},
     {"Q3", "Deep"},
     {"Deep link"},
     {2, 1, 0},
     3,
     "https://deep.example.org/",
     true},
    // A folder shows its contents beside it.
    {"Enter on a folder",
     "deep",
     false,
     false,
     {"Report", "Notes", "Old"},
     {"Q3", "Deep"},
     {"Deep link"},
     {2, 1, -1},
     2,
     "",
     false},
    {"a top entry, from the options panel",
     "home",
     true,
     true,
     {"Work", "News", "Home"},
     {},
     {},
     {2, -1, -1},
     1,
     "/home/user",
     true},
};

class RevealTest : public FindTest, public ::testing::WithParamInterface<CRevealCase> {};

TEST_P(RevealTest, ShowsTheItemSelectedInItsFolderAndItsTargetInTheAddressBox) {
    const CRevealCase& c = GetParam();
    WriteDataFile(DeepTree);
    Start();
    ClickRow(1, 1); // News: every case changes the selection
    if (c.m_fromOptions)
        ClickButton(IDC_BTNOPT);
    Type(PressCtrlF(Item(IDC_BTNMAIN)), QString::fromUtf8(c.m_typed),
         c.m_ctrl ? Qt::ControlModifier : Qt::NoModifier);
    EXPECT_EQ(Palette(), nullptr) << c.m_what;
    EXPECT_TRUE(m_shell.m_opened.isEmpty()) << c.m_what;
    EXPECT_TRUE(Shown(IDC_LIST1)) << c.m_what;
    EXPECT_EQ(Rows(1), c.m_left) << c.m_what;
    EXPECT_EQ(Rows(2), c.m_middle) << c.m_what;
    EXPECT_EQ(Rows(3), c.m_right) << c.m_what;
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(Selected(n), c.m_selected[n - 1]) << c.m_what << ", column " << n;
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QString::fromUtf8(c.m_address)) << c.m_what;
    EXPECT_EQ(Enabled(IDC_ADDRESS), c.m_addressEnabled) << c.m_what;
    // The column that lists the item has the focus and takes the editing keys.
    EXPECT_TRUE(List(c.m_column)->hasFocus()) << c.m_what;
    EXPECT_EQ(m_dialog->GetActiveList(), List(c.m_column)) << c.m_what;
}

INSTANTIATE_TEST_SUITE_P(Items, RevealTest, ::testing::ValuesIn(REVEALS));

TEST_F(FindTest, ALetterTypedAtTheDockOpensThePaletteThere) {
    WriteDataFile(DeepTree);
    CMainDialog& dialog = Start();
    bool opened = false;
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dock = qobject_cast<CDockDialog*>(w); dock && dock->isVisible()) {
                timer->deleteLater();
                QTest::keyClick(dock, Qt::Key_R);
                CFindPalette* palette = Palette();
                if (!palette)
                    return dock->OnOK(CDockDialog::RESULT_RETURN);
                QTest::keyClicks(palette->GetEdit(), QStringLiteral("eport"));
                QTest::keyClick(palette->GetEdit(), Qt::Key_Return); // Report: opens
                opened = dock->isVisible() && m_shell.m_opened.size() == 1;
                dock->OpenFindPalette(QStringLiteral("q3"));
                QTest::keyClick(Palette()->GetEdit(), Qt::Key_Return, Qt::ControlModifier);
                return;
            }
    });
    timer->start(10);
    ClickButton(IDC_BTNDOCK);
    EXPECT_TRUE(opened);
    EXPECT_EQ(m_shell.m_opened, QStringList{"/home/user/report.pdf"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Rows(3), (QStringList{"Q3", "Deep"}));
    EXPECT_EQ(Selected(3), 0);
    EXPECT_EQ(Edit(IDC_ADDRESS)->text(), QStringLiteral("/home/user/q3.pdf"));
}

} // namespace
