// SPDX-License-Identifier: MIT
// What the main window offers to a user without a mouse or without sight:
// every bitmap button and label says what it is (tooltip and accessible
// name, from the control table), Tab reaches every button a panel offers,
// and Space presses the focused one.

#include "AppFixture.h"
#include "app/MainControls.h"

namespace {

using KeyboardAccessTest = AppFixture;

TEST(ControlTable, EveryBitmapButtonAndLabelSaysWhatItDoes) {
    for (const CControl& row : CONTROLS) {
        if (!HasBitmap(row))
            continue;
        EXPECT_STRNE(row.m_toolTip, "") << row.m_name;
        EXPECT_STRNE(row.m_accessibleName, "") << row.m_name;
        // A picture's name is no text for a person.
        EXPECT_STRNE(row.m_accessibleName, row.m_name) << row.m_name;
    }
}

TEST_F(KeyboardAccessTest, TabReachesEveryButtonOfThePanelAndSpacePressesIt) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    QSet<QWidget*> offered;
    for (const CControl& row : CONTROLS) {
        QWidget* control = Item(row.m_id);
        if (row.m_kind == EControlKind::Button && control->isVisible() && control->isEnabled())
            offered << control;
    }
    ASSERT_GE(offered.size(), 10);
    QSet<QWidget*> reached;
    for (std::size_t i = 0; i < 3 * CONTROL_COUNT && reached != offered; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog,
                        Qt::Key_Tab);
        if (offered.contains(QApplication::focusWidget()))
            reached << QApplication::focusWidget();
    }
    for (QWidget* control : offered)
        EXPECT_TRUE(reached.contains(control)) << control->objectName().toStdString();

    // Tab on to Options, then Space: the options panel opens.
    for (std::size_t i = 0;
         i < 3 * CONTROL_COUNT && QApplication::focusWidget() != Item(IDC_BTNOPT); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Item(IDC_BTNOPT));
    QTest::keyClick(Item(IDC_BTNOPT), Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_TRUE(Shown(IDC_LBLUSEPASSWD));
    EXPECT_FALSE(Shown(IDC_LIST1));
}

} // namespace
