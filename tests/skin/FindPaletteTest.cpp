// SPDX-License-Identifier: MIT
// The quick-find palette as the user drives it: keys, the row's reveal
// button, what it says about the matches.

#include "skin/FindPalette.h"

#include "tree/Item.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Root: Work (Café menu, Reports, Archive (Q3 review.pdf, to sort)), Lunch.
class FindPaletteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTreeState();
        m_top = StartTree(nullptr);
        auto work = std::make_unique<CFolder>("Work");
        CFolder* w = work.get();
        m_top->Append(std::move(work));
        w->Append(
            std::make_unique<CEntry>("Caf\xC3\xA9 menu", "www.example.org/caf\xC3\xA9", nullptr));
        w->Append(std::make_unique<CEntry>("Reports", "/home/user/Reports", nullptr));
        auto archive = std::make_unique<CFolder>("Archive");
        CFolder* a = archive.get();
        w->Append(std::move(archive));
        a->Append(std::make_unique<CEntry>("Q3 review.pdf", "/home/user/q3.pdf", nullptr));
        a->Append(std::make_unique<CEntry>("to sort", "", a));
        m_top->Append(std::make_unique<CEntry>("Lunch", "https://cafe.example.org/", nullptr));
    }
    void TearDown() override {
        delete m_palette.data();
        EndTree(std::move(m_top));
        ResetTreeState();
    }

    CFindPalette& Open(const QString& text = QString()) {
        m_palette = new CFindPalette(m_top.get(), nullptr);
        m_palette->m_onOpen = [this](const std::string& target) { m_opened = target; };
        m_palette->m_onReveal = [this](const std::vector<int>& rows) { m_revealed = rows; };
        m_palette->Open(QPoint(10, 10), text);
        return *m_palette;
    }
    QStringList Rows() const {
        QStringList rows;
        const QAbstractItemModel* model = m_palette->GetList()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            rows << model->index(r, 0).data().toString();
        return rows;
    }

    std::unique_ptr<CFolder> m_top;
    QPointer<CFindPalette> m_palette;
    std::optional<std::string> m_opened;
    std::optional<std::vector<int>> m_revealed;
};

struct CKeyCase {
    const char* m_what;
    const char* m_typed;
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> m_keys;
    std::optional<std::string> m_opened;
    std::optional<std::vector<int>> m_revealed;
    bool m_stays;
};
const CKeyCase KEYS[] = {
    {"Enter opens the best match",
     "caf",
     {{Qt::Key_Return, {}}},
     "www.example.org/caf\xC3\xA9",
     std::nullopt,
     false},
    {"Down chooses the next",
     "caf",
     {{Qt::Key_Down, {}}, {Qt::Key_Enter, {}}},
     "https://cafe.example.org/",
     std::nullopt,
     false},
    {"Up stops at the first",
     "caf",
     {{Qt::Key_Down, {}}, {Qt::Key_Up, {}}, {Qt::Key_Up, {}}, {Qt::Key_Return, {}}},
     "www.example.org/caf\xC3\xA9",
     std::nullopt,
     false},
    {"Ctrl+Enter reveals",
     "q3",
     {{Qt::Key_Return, Qt::ControlModifier}},
     std::nullopt,
     std::vector<int>{0, 2, 0},
     false},
    {"Enter on a folder reveals",
     "archive",
     {{Qt::Key_Return, {}}},
     std::nullopt,
     std::vector<int>{0, 2},
     false},
    {"Enter on a blank entry reveals",
     "sort",
     {{Qt::Key_Return, {}}},
     std::nullopt,
     std::vector<int>{0, 2, 1},
     false},
    {"Escape closes without a choice",
     "caf",
     {{Qt::Key_Escape, {}}},
     std::nullopt,
     std::nullopt,
     false},
    {"Enter without a match does nothing",
     "zzz",
     {{Qt::Key_Return, {}}},
     std::nullopt,
     std::nullopt,
     true},
};

class PaletteKeysTest : public FindPaletteTest, public ::testing::WithParamInterface<CKeyCase> {};

TEST_P(PaletteKeysTest, KeysChooseOpenAndReveal) {
    const CKeyCase& c = GetParam();
    CFindPalette& shown = Open();
    QTest::keyClicks(shown.GetEdit(), QString::fromUtf8(c.m_typed));
    for (const auto& [key, modifiers] : c.m_keys)
        QTest::keyClick(shown.GetEdit(), key, modifiers);
    EXPECT_EQ(m_opened, c.m_opened) << c.m_what;
    EXPECT_EQ(m_revealed, c.m_revealed) << c.m_what;
    EXPECT_EQ(m_palette && m_palette->isVisible(), c.m_stays) << c.m_what;
}

INSTANTIATE_TEST_SUITE_P(Keys, PaletteKeysTest, ::testing::ValuesIn(KEYS));

TEST_F(FindPaletteTest, TheRowsButtonRevealsThatRow) {
    CFindPalette& shown = Open(QStringLiteral("e"));
    ASSERT_EQ(Rows(),
              (QStringList{"Caf\u00e9 menu", "Reports", "Archive", "Q3 review.pdf", "Lunch"}));
    const QRect button = shown.RevealButtonRect(3);
    ASSERT_TRUE(shown.GetList()->viewport()->rect().contains(button));
    QTest::mouseClick(shown.GetList()->viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_EQ(m_revealed, (std::vector<int>{0, 2, 0}));
    EXPECT_FALSE(m_opened);
}

TEST_F(FindPaletteTest, AChangedTreeIsSearchedAtTheNextKey) {
    CFindPalette& shown = Open(QStringLiteral("unc"));
    ASSERT_EQ(Rows(), QStringList{"Lunch"});
    m_top->Rename(1, "Brunch");
    m_top->GetChild(0)->Remove(0); // Café menu: the rows after it move up
    QTest::keyClicks(shown.GetEdit(), QStringLiteral("h"));
    EXPECT_EQ(Rows(), QStringList{"Brunch"});
    shown.GetEdit()->setText(QStringLiteral("q3"));
    QTest::keyClick(shown.GetEdit(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(m_revealed, (std::vector<int>{0, 1, 0}));
}

TEST_F(FindPaletteTest, SaysHowManyMatchAndShowsTheFirstFewHundred) {
    CFolder* many = static_cast<CFolder*>(m_top->GetChild(0));
    for (int i = 0; i < 1000; ++i)
        many->Append(std::make_unique<CEntry>("note " + std::to_string(i), "http://n/", nullptr));
    CFindPalette& shown = Open(QStringLiteral("note"));
    EXPECT_EQ(Rows().size(), CFindPalette::SHOWN_LIMIT);
    EXPECT_EQ(shown.GetStatus(), QStringLiteral("1,000 matches, the first 300 shown"));
    QTest::keyClicks(shown.GetEdit(), QStringLiteral(" 999"));
    EXPECT_EQ(Rows(), QStringList{"note 999"});
    EXPECT_EQ(shown.GetStatus(), QStringLiteral("1 match"));

    // A long paste is one more search.
    shown.GetEdit()->setText(QString(10000, QLatin1Char('n')));
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(shown.GetStatus(), QStringLiteral("No matches"));
    shown.GetEdit()->clear();
    EXPECT_EQ(shown.GetStatus(), QStringLiteral("Type part of a name or an address"));
}

} // namespace
