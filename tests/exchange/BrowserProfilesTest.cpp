// SPDX-License-Identifier: MIT
#include "exchange/BrowserProfiles.h"

#include "ImportDump.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const char CHROMIUM_BOOKMARKS[] = R"json({
  "checksum": "0", "version": 1,
  "roots": {
    "bookmark_bar": {"type": "folder", "name": "Bookmarks bar", "children": [
      {"type": "url", "name": "A  site", "url": "https://a.example/"},
      {"type": "folder", "name": "Inner", "children": [
        {"type": "url", "name": "js", "url": "javascript:alert(1)"},
        {"type": "url", "name": "local", "url": "file:///home/u/x%20y"}]}]},
    "other": {"type": "folder", "name": "Other bookmarks", "children": [
      {"type": "url", "name": "", "url": "https://b.example/"}]},
    "synced": {"type": "folder", "name": "Mobile bookmarks", "children": []}
  }
})json";

// One Firefox profile's places.sqlite, made with the same driver: the root,
// its four folders and the tags folder, and rows inserted out of order so
// that only the positions give the order.
void WritePlaces(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        const char* const statements[] = {
            "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR)",
            "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, "
            "parent INTEGER, position INTEGER, title LONGVARCHAR, guid TEXT)",
            "INSERT INTO moz_places VALUES (1, 'https://a.example/', 'a'), "
            "(2, 'place:sort=8', 'recent'), (3, 'https://b.example/', 'b')",
            "INSERT INTO moz_bookmarks VALUES "
            "(1, 2, NULL, 0, 0, '', 'root________'),"
            "(2, 2, NULL, 1, 0, 'menu', 'menu________'),"
            "(3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____'),"
            "(4, 2, NULL, 1, 2, 'tags', 'tags________'),"
            "(5, 2, NULL, 1, 3, 'unfiled', 'unfiled_____'),"
            "(6, 2, NULL, 1, 4, 'mobile', 'mobile______'),"
            "(13, 1, 3, 2, 3, 'B  last', 'g13'),"
            "(10, 1, 1, 2, 0, 'A first', 'g10'),"
            "(12, 3, NULL, 2, 2, '', 'g12'),"
            "(11, 1, 2, 2, 1, 'Recent', 'g11'),"
            "(14, 2, NULL, 3, 0, 'Sub', 'g14'),"
            "(15, 1, 3, 14, 0, 'in sub', 'g15'),"
            "(16, 2, NULL, 4, 0, 'some tag', 'g16'),"
            "(17, 1, 1, 16, 0, NULL, 'g17')",
        };
        for (const char* statement : statements)
            ASSERT_TRUE(query.exec(QLatin1String(statement))) << statement;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
}

// A profile of count bookmarks in the menu folder, each with its own place.
void WriteGeneratedPlaces(const QString& path, int count) {
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("generated"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const char* statement :
             {"CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR)",
              "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, "
              "parent INTEGER, position INTEGER, title LONGVARCHAR, guid TEXT)",
              "INSERT INTO moz_bookmarks VALUES (1, 2, NULL, 0, 0, '', 'root________'), "
              "(2, 2, NULL, 1, 0, 'menu', 'menu________')",
              "BEGIN"})
            ASSERT_TRUE(query.exec(QLatin1String(statement))) << statement;
        QSqlQuery place(db);
        QSqlQuery bookmark(db);
        place.prepare(QStringLiteral("INSERT INTO moz_places VALUES (?, ?)"));
        bookmark.prepare(QStringLiteral("INSERT INTO moz_bookmarks VALUES (?, 1, ?, 2, ?, ?, ?)"));
        for (int i = 0; i < count; ++i) {
            place.addBindValue(i + 1);
            place.addBindValue(QStringLiteral("https://site%1.example/some/path").arg(i));
            ASSERT_TRUE(place.exec());
            for (const QVariant& value :
                 {QVariant(i + 10), QVariant(i + 1), QVariant(i),
                  QVariant(QStringLiteral("Bookmark number %1").arg(i)),
                  QVariant(QStringLiteral("guid%1").arg(i, 8, 10, QLatin1Char('0')))})
                bookmark.addBindValue(value);
            ASSERT_TRUE(bookmark.exec());
        }
        ASSERT_TRUE(query.exec(QStringLiteral("COMMIT")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("generated"));
}

// Zeroes the pages in the middle fifth of a database file, as a bad disk
// block or a torn copy leaves them.
void ZeroMiddlePages(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray header = file.read(100);
    const int pageSize = (quint8(header[16]) << 8) | quint8(header[17]);
    const qint64 pages = file.size() / pageSize;
    ASSERT_GT(pages, 20);
    file.seek(pages * 2 / 5 * pageSize);
    file.write(QByteArray(int(pages / 5 * pageSize), '\0'));
}

class BrowserProfilesTest : public ::testing::Test {
protected:
    QString Home(const char* path) const { return m_home.filePath(QLatin1String(path)); }

    QTemporaryDir m_home;
};

// Chromium-family browsers keep their profiles in the configuration folder
// ($XDG_CONFIG_HOME, here "settings"), Firefox below home.
TEST_F(BrowserProfilesTest, FindsAndReadsEachBrowsersProfilesBelowHome) {
    WriteFile(Home("settings/google-chrome/Default/Bookmarks"), CHROMIUM_BOOKMARKS);
    WriteFile(Home("settings/google-chrome/Local State"),
              R"({"profile": {"info_cache": {"Default": {"name": "Person 1"}}}})");
    WriteFile(Home("settings/google-chrome/Profile 1/Preferences"), "{}"); // no bookmarks
    WriteFile(Home("snap/firefox/common/.mozilla/firefox/profiles.ini"),
              "[General]\nStartWithLastProfile=1\n\n"
              "[Profile0]\nName=default-release\nIsRelative=1\nPath=abc.default-release\n\n"
              "[Profile1]\nName=gone\nIsRelative=1\nPath=missing\n");
    WritePlaces(Home("snap/firefox/common/.mozilla/firefox/abc.default-release/places.sqlite"));

    const QList<CBrowserProfile> found =
        FindBrowserProfiles(m_home.path(), m_home.filePath(QStringLiteral("settings")));
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].m_browser, QLatin1String("Google Chrome"));
    EXPECT_EQ(found[0].m_profile, QLatin1String("Person 1"));
    EXPECT_EQ(found[1].m_browser, QLatin1String("Firefox (snap)"));
    EXPECT_EQ(found[1].m_profile, QLatin1String("default-release"));

    const CImportResult chromium = ReadBrowserProfile(found[0]);
    ASSERT_EQ(chromium.m_status, CImportResult::Ok) << chromium.m_error.toStdString();
    EXPECT_EQ(DumpImport(chromium.m_root),
              "F(Bookmarks bar)[E(A site|https://a.example/) F(Inner)[E(local|/home/u/x y)]] "
              "F(Other bookmarks)[E(https://b.example/|https://b.example/)]");
    EXPECT_EQ(chromium.m_counts.m_scripts, 1);
    EXPECT_EQ(CountBookmarks(chromium.m_root), 3);

    const CImportResult firefox = ReadBrowserProfile(found[1]);
    ASSERT_EQ(firefox.m_status, CImportResult::Ok) << firefox.m_error.toStdString();
    EXPECT_EQ(DumpImport(firefox.m_root),
              "F(Bookmarks Menu)[E(A first|https://a.example/) S E(B last|https://b.example/)] "
              "F(Bookmarks Toolbar)[F(Sub)[E(in sub|https://b.example/)]]");
    EXPECT_EQ(firefox.m_counts.m_queries, 1);
    EXPECT_EQ(firefox.m_counts.m_tags, 1);
    EXPECT_EQ(firefox.m_counts.m_separators, 1);
}

// A damaged database fails as a whole, whatever part of it could be read.
TEST_F(BrowserProfilesTest, FilesThatAreNotBookmarksFail) {
    const QString png = Home("places.sqlite");
    WriteFile(png, QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    const QString damaged = Home("damaged/places.sqlite");
    QDir().mkpath(Home("damaged"));
    WriteGeneratedPlaces(damaged, 5000);
    const CImportResult whole = ReadFirefoxPlaces(damaged);
    ASSERT_EQ(whole.m_status, CImportResult::Ok) << whole.m_error.toStdString();
    EXPECT_EQ(CountBookmarks(whole.m_root), 5000);
    qint64 seenTotal = 0;
    const CImportResult cancelled = ReadFirefoxPlaces(damaged, [&seenTotal](qint64, qint64 total) {
        seenTotal = total;
        return false;
    });
    EXPECT_EQ(cancelled.m_status, CImportResult::Cancelled);
    EXPECT_EQ(seenTotal, 5002);
    ZeroMiddlePages(damaged);
    const CImportResult broken = ReadFirefoxPlaces(damaged);
    EXPECT_TRUE(broken.m_error.contains(QLatin1String("malformed")))
        << broken.m_error.toStdString();

    for (const CImportResult& result :
         {broken, ReadFirefoxPlaces(png), ReadFirefoxPlaces(Home("nothing-here")),
          ReadChromiumBookmarks(QByteArray("\x89PNG\r\n\x1A\n", 8)),
          ReadChromiumBookmarks("{\"roots\": 3}"),
          ReadChromiumBookmarks(R"({"roots": {"bookmark_bar": {"children": []}}})")}) {
        EXPECT_EQ(result.m_status, CImportResult::Failed);
        EXPECT_FALSE(result.m_error.isEmpty());
    }
}

} // namespace
