// SPDX-License-Identifier: MIT
// Quick access from outside the main window: the channel to the running copy
// (what it takes, what it drops, a killed copy's socket) and what the copy
// does with a request.

#include "app/QuickAccess.h"

#include "AppFixture.h"
#include "app/InstanceChannel.h"
#include "app/MainApp.h"
#include "fakes/FakeInstanceLock.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QObject::connect(&m_server, &CInstanceServer::Requested,
                         [this](EAppRequest request) { m_requests << int(request); });
    }

    // Runs work on another thread (the client blocks) while this one serves.
    template <typename Work> auto Serve(Work work) {
        auto result = std::async(std::launch::async, work);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            10000));
        return result.get();
    }
    // A client that sends bytes as they are and returns what came back.
    QByteArray SendRaw(const QByteArray& bytes) {
        const QString path = m_path;
        return Serve([path, bytes] {
            QLocalSocket socket;
            socket.connectToServer(path);
            if (!socket.waitForConnected(2000))
                return QByteArray("no connection");
            socket.write(bytes);
            socket.waitForBytesWritten(2000);
            QByteArray answer;
            while (socket.waitForReadyRead(3000))
                answer += socket.readAll();
            return answer;
        });
    }
    bool Send(EAppRequest request, int timeoutMs = 3000) {
        const QString path = m_path;
        return Serve([path, request, timeoutMs] { return SendRequest(path, request, timeoutMs); });
    }

    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath("quillbox.socket");
    CInstanceServer m_server;
    QList<int> m_requests;
};

TEST_F(ChannelTest, ARequestIsAnsweredAndActedOnAndTheSocketIsTheOwnersOnly) {
    ASSERT_TRUE(m_server.Listen(m_path));
    EXPECT_TRUE(Send(EAppRequest::Menu));
    EXPECT_TRUE(Send(EAppRequest::Find));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_requests.size() == 2; }));
    EXPECT_EQ(m_requests, (QList<int>{int(EAppRequest::Menu), int(EAppRequest::Find)}));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(m_path).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077u, 0u) << std::oct << st.st_mode;
}

TEST_F(ChannelTest, WhatIsNotOurRequestIsDroppedUnanswered) {
    ASSERT_TRUE(m_server.Listen(m_path));
    const QByteArray lines[] = {
        "quillbox/1 open\n",                            // another verb
        "hello\n",                                      // not ours
        "quillbox/2 menu\n",                            // another version
        "quillbox/1 menu" + QByteArray(80, ' ') + "\n", // too long
        QByteArray(4096, 'x'),                          // never a line end
        QByteArray("quillbox/1 menu\0\n", 17),          // a NUL inside
    };
    for (const QByteArray& line : lines) {
        EXPECT_EQ(SendRaw(line), QByteArray()) << line.left(40).toStdString();
        QApplication::processEvents();
    }
    EXPECT_TRUE(m_requests.isEmpty());
    EXPECT_TRUE(Send(EAppRequest::Menu)) << "the server stopped answering";
}

TEST_F(ChannelTest, APeerOfAnotherUserIsRefused) {
    m_server.SetAllowedUser(geteuid() + 1);
    ASSERT_TRUE(m_server.Listen(m_path));
    EXPECT_FALSE(Send(EAppRequest::Menu, 500));
    QApplication::processEvents();
    EXPECT_TRUE(m_requests.isEmpty());
}

TEST_F(ChannelTest, AKilledCopysSocketIsReplacedAndNoCopyMeansNoAnswer) {
    EXPECT_FALSE(Send(EAppRequest::Menu, 300)); // nothing there at all
    // A bound socket whose process is gone: the file stays, nobody listens.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(m_path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    EXPECT_FALSE(Send(EAppRequest::Menu, 300));
    ASSERT_TRUE(m_server.Listen(m_path));
    EXPECT_TRUE(Send(EAppRequest::Menu));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_requests.size() == 1; }));
}

// A second start asks the running copy for its data folder: the path's own
// bytes come back, and a copy from before the question (which drops it) only
// leaves it unanswered.
TEST_F(ChannelTest, TheDataFolderIsToldAndACopyThatDoesNotKnowTheQuestionIsPassedOver) {
    const QString folder = QFile::decodeName("/tmp/t-\xff\xfe dir");
    m_server.SetDataFolder(folder);
    ASSERT_TRUE(m_server.Listen(m_path));
    const QString path = m_path;
    EXPECT_EQ(Serve([path] { return AskDataFolder(path, 3000); }), std::optional<QString>(folder));
    EXPECT_TRUE(m_requests.isEmpty());

    QLocalServer older; // drops every line it does not know, as the copies before did
    const QString olderPath = m_dir.filePath("older.socket");
    QObject::connect(&older, &QLocalServer::newConnection, [&older] {
        QLocalSocket* socket = older.nextPendingConnection();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            if (socket->canReadLine() && ParseRequestLine(socket->readLine()) == EAppRequest::None)
                socket->abort();
        });
    });
    ASSERT_TRUE(older.listen(olderPath));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(Serve([olderPath] { return AskDataFolder(olderPath, 3000); }), std::nullopt);
    EXPECT_LT(timer.elapsed(), 2000);
}

// Two copies on different data folders: the second names both and ends; a
// request from a desktop key still reaches the running copy.
TEST_F(ChannelTest, ASecondStartOnAnotherFolderSaysWhichTheRunningCopyUses) {
    QTemporaryDir running, asked;
    m_server.SetDataFolder(running.path());
    ASSERT_TRUE(m_server.Listen(m_path));
    const auto secondStart = [this, &asked](EAppRequest request, CFakeMessageBox& box) {
        auto values = std::make_shared<CFakeSettingsValues>();
        CFakeInstanceLock lock(IInstanceLock::HeldElsewhere);
        CSettings settings(std::make_unique<CFakeSettingsStore>(values));
        CFakeShell shell;
        CFakePathPicker picker;
        CMainApp app({lock, settings, shell, picker, asked.path(), &box});
        app.SetRequest(request);
        app.SetChannelPath(m_path);
        return Serve([&app] {
            app.InitInstance();
            return app.ExitInstance();
        });
    };
    CFakeMessageBox box;
    EXPECT_EQ(secondStart(EAppRequest::None, box), 1);
    ASSERT_EQ(box.m_messages.size(), 1);
    EXPECT_EQ(box.m_messages[0],
              QStringLiteral("Quillbox is already running with the data folder %1, so this start "
                             "does not open %2. To use %2, close the running copy first (its "
                             "Close button saves and ends it), then start Quillbox again.")
                  .arg(running.path(), asked.path()));
    CFakeMessageBox keyBox;
    EXPECT_EQ(secondStart(EAppRequest::Menu, keyBox), 0);
    EXPECT_TRUE(keyBox.m_messages.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_requests.size() == 1; }));
}

using QuickAccessTest = AppFixture;

// The menu open at the moment: the program's active pop-up.
QMenu* OpenMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

TEST_F(QuickAccessTest, TheMenuOffersTheTreeAndOpensTheChosenEntryOnceAtATime) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    CQuickAccess quick(dialog);
    QStringList titles;
    bool secondShowedNothing = false;
    QTimer::singleShot(0, [&] {
        (void)QTest::qWaitFor([] { return OpenMenu() != nullptr; });
        QMenu* menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            titles << action->text();
        // A second request while the menu is open shows no other menu.
        quick.Handle(EAppRequest::Menu);
        secondShowedNothing = OpenMenu() == menu;
        // "News", the second item of the top folder.
        for (QAction* action : menu->actions())
            if (action->text().contains("News"))
                menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    quick.Handle(EAppRequest::Menu);
    EXPECT_FALSE(quick.IsMenuOpen());
    EXPECT_TRUE(secondShowedNothing);
    ASSERT_GE(titles.size(), 3) << titles.join('|').toStdString();
    EXPECT_TRUE(titles[0].contains("Work"));
    EXPECT_EQ(m_shell.m_opened, (QStringList{"about:blank", "www.example.org"}));
    // The columns are back: the tree left menu display.
    EXPECT_TRUE(Rows(1).contains("Work"));
}

TEST_F(QuickAccessTest, AtThePasswordPromptTheWindowComesUpInstead) {
    WriteDataFile(SampleTree, "secret");
    CMainDialog& dialog = Start();
    ASSERT_EQ(dialog.GetTopFolder(), nullptr);
    dialog.showMinimized();
    CQuickAccess quick(dialog);
    quick.Handle(EAppRequest::Menu);
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_FALSE(dialog.isMinimized());
    dialog.showMinimized();
    quick.Handle(EAppRequest::Find);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_FALSE(dialog.isMinimized());
    EXPECT_TRUE(m_shell.m_opened.isEmpty());
}

} // namespace
