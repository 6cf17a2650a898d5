// SPDX-License-Identifier: MIT
// The browser profiles offered for import: counted once in the background
// (the Import menu shows what is known and changes as the counts come in), a
// profile that cannot be read listed greyed with its reason; and the empty
// collection's offers in the left column, which go with the first row and
// leave the column's keys to it.

#include "AppFixture.h"
#include "app/ExchangeActions.h"
#include "app/ProfileScan.h"

#include <QMenu>
#include <QPushButton>
#include <QSemaphore>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A Chromium profile of three bookmarks in the configuration folder, and
// below home a Firefox profile whose database is zeroes.
void WriteProfiles(const QString& home, const QString& configHome) {
    WriteFile(configHome + QStringLiteral("/chromium/Default/Bookmarks"),
              R"({"roots": {"bookmark_bar": {"type": "folder", "name": "Bar", "children": [
                   {"type": "url", "name": "A", "url": "https://a.example/"},
                   {"type": "url", "name": "B", "url": "https://b.example/"},
                   {"type": "url", "name": "C", "url": "https://c.example/"}]}}})");
    WriteFile(home + QStringLiteral("/.mozilla/firefox/profiles.ini"),
              "[Profile0]\nName=default\nIsRelative=1\nPath=x.default\n");
    WriteFile(home + QStringLiteral("/.mozilla/firefox/x.default/places.sqlite"),
              QByteArray(8192, '\0'));
}

QStringList Texts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

TEST(ImportOffersTest, TheMenuShowsCountsAsTheyArriveAndAnUnreadableProfileWithItsReason) {
    QTemporaryDir home;
    WriteProfiles(home.path(), home.filePath(QStringLiteral(".config")));
    // Each count waits for the test's word: the menu must not.
    QSemaphore gate;
    CProfileScan scan(home.path(), home.filePath(QStringLiteral(".config")),
                      [&gate](const CBrowserProfile& profile, const ProgressFn& progress) {
                          gate.acquire();
                          return ReadBrowserProfile(profile, progress);
                      });
    QMenu menu;
    FillImportMenu(menu, scan);
    EXPECT_EQ(Texts(menu),
              (QStringList{QStringLiteral("Bookmark file (HTML, XBEL)\u2026"),
                           QStringLiteral("Chromium \u2013 Default (counting\u2026)"),
                           QStringLiteral("Firefox \u2013 default (counting\u2026)")}));
    EXPECT_FALSE(scan.Finished());

    gate.release(2);
    ASSERT_TRUE(QTest::qWaitFor([&scan] { return scan.Finished(); }, 10000));
    EXPECT_EQ(Texts(menu),
              (QStringList{QStringLiteral("Bookmark file (HTML, XBEL)\u2026"),
                           QStringLiteral("Chromium \u2013 Default (3 bookmarks)"),
                           QStringLiteral("Firefox \u2013 default (cannot be read)")}));
    const QList<QAction*> actions = menu.actions();
    EXPECT_TRUE(actions.at(2)->isEnabled());
    EXPECT_FALSE(actions.at(3)->isEnabled());
    EXPECT_TRUE(actions.at(3)->toolTip().contains(QLatin1String("places.sqlite")))
        << actions.at(3)->toolTip().toStdString();
    EXPECT_TRUE(menu.toolTipsVisible());

    // Counted once: a second menu has the counts at once.
    QMenu again;
    FillImportMenu(again, scan);
    EXPECT_EQ(Texts(again), Texts(menu));
}

TEST(ImportOffersTest, NoProfilesSaysSo) {
    QTemporaryDir home;
    CProfileScan scan(home.path(), home.path());
    QMenu menu;
    FillImportMenu(menu, scan);
    EXPECT_EQ(Texts(menu).constLast(), QStringLiteral("No browser profiles with bookmarks found"));
    EXPECT_FALSE(menu.actions().constLast()->isEnabled());
    EXPECT_TRUE(scan.Finished());
}

class EmptyStateTest : public AppFixture {
protected:
    QPushButton* Button(const char* name) const {
        return m_dialog->findChild<QPushButton*>(QLatin1String(name));
    }
    bool Visible(const char* name) const {
        const QWidget* part = m_dialog->findChild<QWidget*>(QLatin1String(name));
        return part && part->isVisible();
    }
};

// A first start (no data file): the offers, the readable profile with its
// count; Insert reaches the column beneath; the profile's button imports it.
TEST_F(EmptyStateTest, AFirstStartOffersTheProfilesAndGivesWayToTheFirstRow) {
    WriteProfiles(QDir::homePath(), ConfigHome(QDir::homePath()));
    Start();
    EXPECT_EQ(Top().GetCount(), 0);
    EXPECT_TRUE(Visible("EmptyIntro"));
    EXPECT_TRUE(Visible("EmptyImportFile"));
    EXPECT_TRUE(Visible("EmptyKeyHint"));
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            const QPushButton* button = Button("EmptyImportProfile0");
            return button && button->isVisible() &&
                   button->toolTip() == QLatin1String("Import from Chromium (3)");
        },
        10000));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Visible("EmptyImportProfile1"); }, 10000));
    EXPECT_EQ(Button("EmptyImportProfile0")->focusPolicy(), Qt::NoFocus);

    // The column's Insert names a first entry: the offers go while the row
    // is there and come back when it is dropped.
    ClickRow(1, -1);
    QTest::keyClick(List(1), Qt::Key_Insert);
    EXPECT_EQ(List(1)->model()->rowCount(), 1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Visible("EmptyIntro"); }, 1000));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(List(1)->model()->rowCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Visible("EmptyIntro"); }, 1000));

    QTest::mouseClick(Button("EmptyImportProfile0"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_messageBox.m_messages.isEmpty(); }, 10000));
    EXPECT_TRUE(
        m_messageBox.m_messages.constFirst().contains(QLatin1String("Imported 3 bookmarks")))
        << m_messageBox.m_messages.constFirst().toStdString();
    ASSERT_EQ(Rows(1).size(), 1);
    EXPECT_TRUE(Rows(1).constFirst().startsWith(QLatin1String("Imported Chromium Default")));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Visible("EmptyIntro"); }, 1000));
    EXPECT_FALSE(Visible("EmptyImportProfile0"));
}

// A collection that holds something shows no offers; deleting its last item
// brings them.
TEST_F(EmptyStateTest, TheOffersComeBackWhenTheLastItemGoes) {
    WriteDataFile([](CFolder& top) {
        top.Append(std::make_unique<CEntry>("Only", "https://only.example/", nullptr));
    });
    Start();
    EXPECT_FALSE(Visible("EmptyIntro"));
    ClickRow(1, 0);
    QTest::keyClick(List(1), Qt::Key_Delete);
    EXPECT_EQ(Top().GetCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Visible("EmptyIntro"); }, 1000));
}

} // namespace
