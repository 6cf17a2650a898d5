// SPDX-License-Identifier: MIT
// Bookmarks dropped on the main window: a bookmark file is imported into a
// new folder at the end of the top folder, which the columns then show, with
// one message; anything else is refused and the tree stays as it was. The
// options panel's Import and Export ask the picker for their files.

#include "AppFixture.h"
#include "edit/ItemMime.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>

namespace {

class ExchangeDropTest : public AppFixture {
protected:
    // A drag of urls entering the window and dropped: whether each was taken.
    std::pair<bool, bool> Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(300, 150);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_dialog.get(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_dialog.get(), &drop);
        return {enter.isAccepted(), drop.isAccepted()};
    }

    static QUrl WriteFile(const char* name, const QByteArray& bytes) {
        QFile file(QString::fromLatin1(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    }

    // The one message the import shows (it may run after the drop returns).
    QString Message() {
        QStringList& shown = m_messageBox.m_messages;
        EXPECT_TRUE(QTest::qWaitFor([&shown] { return !shown.isEmpty(); }, 5000));
        return shown.isEmpty() ? QString() : shown.takeFirst();
    }
};

TEST_F(ExchangeDropTest, DroppedBookmarkFileLandsInANewFolderThatTheColumnsShow) {
    WriteDataFile(SampleTree);
    Start();
    const QStringList before = Rows(1);
    const QUrl file = WriteFile("bookmarks.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>"
                                                  "<DT><H3>Trips</H3><DL><p></DL><p>"
                                                  "<DT><A HREF=\"https://a.example/\">A</A>"
                                                  "<DD>about A</DL><p>");
    EXPECT_EQ(Drop({file}), std::make_pair(true, true));
    const QString message = Message();
    EXPECT_TRUE(message.contains(QLatin1String("Imported 1 bookmark, 1 folder")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("1 description"))) << message.toStdString();

    const QString name =
        QStringLiteral("Imported bookmarks.html ") + QDate::currentDate().toString(Qt::ISODate);
    EXPECT_EQ(Rows(1), before + QStringList{name});
    EXPECT_EQ(List(1)->currentIndex().row(), before.size());
    EXPECT_EQ(Rows(2), (QStringList{QStringLiteral("Trips"), QStringLiteral("A")}));

    ClickButton(IDC_BTNCLOSE); // saved with the rest
    Start();
    EXPECT_EQ(Rows(1), before + QStringList{name});
}

TEST_F(ExchangeDropTest, WhatIsNoBookmarkFileChangesNothing) {
    WriteDataFile(SampleTree);
    Start();
    const QStringList before = Rows(1);
    const QUrl picture = WriteFile("picture.png", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    EXPECT_EQ(Drop({picture}), std::make_pair(true, true)); // tried: it could have been one
    EXPECT_TRUE(Message().contains(QLatin1String("not a bookmark file")));
    EXPECT_EQ(Rows(1), before);

    // Not one local file: not even taken.
    const QUrl web(QStringLiteral("https://example.org/bookmarks.html"));
    EXPECT_FALSE(Drop({web}).first);
    EXPECT_FALSE(Drop({picture, picture}).first);
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(m_dir.path())}).first); // a folder
    EXPECT_EQ(Rows(1), before);
}

// The options panel's Import, its menu's first item (a bookmark file), the
// picker's answer; then Export of the whole tree to the picker's answer.
TEST_F(ExchangeDropTest, ImportAndExportTakeTheirFilesFromThePicker) {
    WriteDataFile(SampleTree);
    Start();
    const QStringList before = Rows(1);
    const QUrl file = WriteFile("in.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>"
                                           "<DT><A HREF=\"https://b.example/\">B</A></DL><p>");
    const auto importThroughMenu = [this] {
        ClickButton(IDC_BTNOPT);
        // The menu runs its own loop: its first item is chosen from inside it.
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            menu->setActiveAction(menu->actions().constFirst());
            QTest::keyClick(menu, Qt::Key_Return);
        });
        ClickButton(IDC_BTNIMPORT);
    };

    m_picker.m_answer = std::nullopt; // cancelled: nothing comes in
    importThroughMenu();
    EXPECT_EQ(m_picker.m_prompts, QStringList{QStringLiteral("Import bookmarks")});
    EXPECT_TRUE(m_messageBox.m_messages.isEmpty());
    EXPECT_EQ(Top().GetCount(), before.size());

    m_picker.m_answer = file.toLocalFile();
    importThroughMenu();
    EXPECT_TRUE(Message().contains(QLatin1String("Imported 1 bookmark")));
    ASSERT_EQ(Rows(1).size(), before.size() + 1);
    EXPECT_TRUE(Rows(1).constLast().startsWith(QLatin1String("Imported in.html")));
    EXPECT_FALSE(List(1)->isHidden()); // back on the main panel

    const QString out = m_dir.filePath(QStringLiteral("out.html"));
    m_picker.m_prompts.clear();
    m_picker.m_answer = std::nullopt; // cancelled: nothing written, nothing said
    ClickButton(IDC_BTNOPT);
    ClickButton(IDC_BTNEXPORT);
    EXPECT_EQ(m_picker.m_prompts, QStringList{QStringLiteral("Export bookmarks")});
    EXPECT_TRUE(m_messageBox.m_messages.isEmpty());
    EXPECT_FALSE(QFile::exists(out));

    m_picker.m_answer = out;
    ClickButton(IDC_BTNEXPORT);
    EXPECT_TRUE(Message().contains(QLatin1String("exported")));
    const QByteArray written = FileBytes("out.html");
    for (const char* part : {"Tracker", "https://tracker.example.org/", "Q3", "https://b.example/"})
        EXPECT_TRUE(written.contains(part)) << part;
}

} // namespace

namespace {

// A paste of more items than one paste may bring: refused whole with a
// message, the tree as it was.
TEST_F(ExchangeDropTest, APasteOfTooManyItemsIsRefusedWithAMessage) {
    WriteDataFile(SampleTree);
    Start();
    const QStringList before = Rows(1);
    QByteArray bytes;
    const auto word = [&bytes](std::uint32_t w) {
        for (int k = 0; k < 4; ++k)
            bytes.append(char((w >> (8 * k)) & 0xff));
    };
    word(std::uint32_t(MAX_DROP_ITEMS + 1));
    for (qsizetype i = 0; i <= MAX_DROP_ITEMS; ++i)
        word(0); // a separator
    auto* data = new QMimeData;
    data->setData(ITEMS_MIME_TYPE, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    List(1)->setFocus();
    QTest::keyClick(List(1), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(m_messageBox.m_messages.size(), 1);
    EXPECT_TRUE(m_messageBox.m_messages[0].startsWith(QStringLiteral("Nothing was inserted")));
    EXPECT_EQ(Rows(1), before);
}

} // namespace
