// SPDX-License-Identifier: MIT
#include "skin/BookmarkListCtrl.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Where a drop lands on a column of three rows: near a row's top or bottom
// edge between two rows, elsewhere on the row, below the rows at the end.
struct CDropCase {
    int m_row;     // the row pointed at; 3: below the rows
    int m_fromTop; // pixels below that row's top edge (negative: from its bottom)
    int m_wantRow; // the row the drop goes before (or onto)
    bool m_wantOnto;
};

class ListDropTest : public ::testing::TestWithParam<CDropCase> {};

TEST_P(ListDropTest, landsBetweenOrOntoRows) {
    CBookmarkListCtrl list;
    list.resize(143, 261);
    for (const char* name : {"a", "b", "c"})
        list.InsertRow(list.GetRowCount(), name);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    int row = -1;
    bool onto = false;
    list.SetDropTypes({QStringLiteral("text/plain")});
    list.m_onCanDrop = [](CBookmarkListCtrl*, const QMimeData*) { return true; };
    list.m_onDrop = [&](CBookmarkListCtrl*, const QMimeData*, int at, bool on) {
        row = at;
        onto = on;
        return true;
    };
    const CDropCase& c = GetParam();
    const QRect last = list.visualRect(list.model()->index(2, 0));
    const QRect rect =
        c.m_row < 3 ? list.visualRect(list.model()->index(c.m_row, 0)) : last.translated(0, 40);
    const QPoint pos(20, c.m_fromTop >= 0 ? rect.top() + c.m_fromTop : rect.bottom() + c.m_fromTop);
    QMimeData data;
    data.setText(QStringLiteral("http://x"));
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &move);
    QDropEvent drop(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(row, c.m_wantRow);
    EXPECT_EQ(onto, c.m_wantOnto);
    EXPECT_EQ(list.GetRowCount(), 3); // the view never adds a row itself
}

INSTANTIATE_TEST_SUITE_P(Positions, ListDropTest,
                         ::testing::ValuesIn(std::vector<CDropCase>{
                             {0, 0, 0, false},
                             {0, 8, 0, true},
                             {1, -1, 2, false},
                             {1, 1, 1, false},
                             {2, 8, 2, true},
                             {2, 0, 2, false},
                             {2, -1, 3, false},
                             {3, 0, 3, false},
                         }));

TEST(ListKeys, keysGoToTheWindow) {
    CBookmarkListCtrl list;
    list.InsertRow(0, "a");
    std::vector<QKeyCombination> keys;
    list.m_onKey = [&](CBookmarkListCtrl*, QKeyCombination key) {
        keys.push_back(key);
        return key.key() == Qt::Key_Delete;
    };
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier);
    auto seen = [&](QKeyCombination key) {
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    EXPECT_TRUE(seen(QKeyCombination(Qt::Key_Delete)));
    EXPECT_TRUE(seen(QKeyCombination(Qt::ControlModifier, Qt::Key_Z)));
}

} // namespace
