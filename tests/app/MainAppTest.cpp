// SPDX-License-Identifier: MIT
// The road from start to exit: a second copy ends at once and touches
// nothing; the first runs the window until it is closed, and what was edited
// is saved also when the run ends otherwise or the desktop session asks.

#include "app/MainApp.h"

#include "AppFixture.h"
#include "fakes/FakeInstanceLock.h"
#include "skin/DockDialog.h"
#include "tree/TreeState.h"

#include <sys/stat.h>

namespace {

using MainAppTest = AppFixture;

TEST_F(MainAppTest, SecondCopyEndsAtOnceWithoutWindowFileOrSetting) {
    CFakeInstanceLock lock(IInstanceLock::HeldElsewhere);
    CSettings settings(std::make_unique<CFakeSettingsStore>(m_values));
    CMainApp app({lock, settings, m_shell, m_picker, QString()});
    const int windowsBefore = int(QApplication::topLevelWidgets().size());
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(app.IsSecondCopy());
    EXPECT_EQ(int(QApplication::topLevelWidgets().size()), windowsBefore);
    EXPECT_TRUE(QDir::current().entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(m_values->m_writes.empty());
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_EQ(lock.m_releaseCalls, 1);
}

// A pipe as a file the run reads: named, unread and left; the marker goes
// back, so the next start runs.
TEST_F(MainAppTest, APipeInAFilesPlaceIsNamedAndTheRunEnds) {
    for (const char* name : {"Quillbox.dat", "Quillbox.org", "Quillbox.conf"}) {
        SCOPED_TRACE(name);
        const QString fifo = QDir::current().absoluteFilePath(QString::fromLatin1(name));
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        CFakeInstanceLock lock;
        m_values->m_strFileName = QDir::current().absoluteFilePath(QStringLiteral("Quillbox.conf"));
        CSettings settings(std::make_unique<CFakeSettingsStore>(m_values));
        CFakeMessageBox box;
        CMainApp app({lock, settings, m_shell, m_picker, QString(), &box});
        const int windowsBefore = int(QApplication::topLevelWidgets().size());
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(int(QApplication::topLevelWidgets().size()), windowsBefore);
        ASSERT_EQ(box.m_messages.size(), 1);
        EXPECT_TRUE(
            box.m_messages[0].startsWith(fifo + QStringLiteral(" is a pipe, not a regular file.")))
            << box.m_messages[0].toStdString();
        EXPECT_TRUE(m_values->m_writes.empty());
        EXPECT_EQ(app.ExitInstance(), 1);
        EXPECT_EQ(lock.m_releaseCalls, 1);
        EXPECT_TRUE(QFile::remove(fifo));
    }
}

TEST_F(MainAppTest, RunsTheWindowUntilItsCloseCommand) {
    CFakeInstanceLock lock;
    CSettings settings(std::make_unique<CFakeSettingsStore>(m_values));
    CMainApp app({lock, settings, m_shell, m_picker, QString()});
    // Closes the window as soon as it runs, the way the user does.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<CMainDialog*>(w); dialog && dialog->isVisible())
                dialog->OnCommand(IDC_BTNCLOSE);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(app.IsSecondCopy());
    EXPECT_EQ(FileBytes("Quillbox.dat").size(), 64);
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_EQ(lock.m_acquireCalls, 1);
    EXPECT_EQ(lock.m_releaseCalls, 1);
    EXPECT_EQ(g_pFirstLevel, nullptr);
    EXPECT_EQ(g_pAddressBox, nullptr);
}

TEST_F(MainAppTest, TheRunGoesOnWhileTheDockWindowStandsInForTheMainWindow) {
    CFakeInstanceLock lock;
    CSettings settings(std::make_unique<CFakeSettingsStore>(m_values));
    CMainApp app({lock, settings, m_shell, m_picker, QString()});
    const auto visible = []() -> QWidget* {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (qobject_cast<CMainDialog*>(w) || qobject_cast<CDockDialog*>(w)))
                return w;
        return nullptr;
    };
    // Dock, come back, then close: each step once the window it needs shows.
    int step = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* w = visible();
        if (step == 0 && qobject_cast<CMainDialog*>(w)) {
            ++step;
            QMetaObject::invokeMethod(
                w, [w] { static_cast<CMainDialog*>(w)->OnCommand(IDC_BTNDOCK); },
                Qt::QueuedConnection);
        } else if (step == 1 && qobject_cast<CDockDialog*>(w)) {
            ++step;
            static_cast<CDockDialog*>(w)->OnOK(CDockDialog::RESULT_RETURN);
        } else if (step == 2 && qobject_cast<CMainDialog*>(w)) {
            ++step;
            static_cast<CMainDialog*>(w)->OnCommand(IDC_BTNCLOSE);
        }
    });
    timer.start(10);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(step, 3);
    EXPECT_EQ(FileBytes("Quillbox.dat").size(), 64); // ended by the close command, which saved
    app.ExitInstance();
}

// Only exit() ends the run from outside: quit() is refused while the window
// stays open, as it does when asked to close.
TEST_F(MainAppTest, TheApplicationExitingDuringTheRunSavesTheTree) {
    WriteDataFile(SampleTree);
    CFakeInstanceLock lock;
    CSettings settings(std::make_unique<CFakeSettingsStore>(m_values));
    CMainApp app({lock, settings, m_shell, m_picker, QString()});
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<CMainDialog*>(w); dialog && dialog->isVisible()) {
                dialog->GetTopFolder()->Append(std::make_unique<CEntry>("Typed", "t", nullptr));
                NoteTreeChange();
                QCoreApplication::exit(0);
            }
    });
    EXPECT_FALSE(app.InitInstance());
    app.ExitInstance();
    // After exit() every event loop ends at once until the application's own
    // loop has run: run it once, so the tests after this one go on.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home", "Typed"}));
}

TEST_F(MainAppTest, SessionManagerCommitSavesWithoutClosing) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    Top().Append(std::make_unique<CEntry>("Typed", "t", nullptr));
    NoteTreeChange();
    CommitSessionData();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.GetTopFolder(), nullptr);
    EXPECT_FALSE(m_values->m_writes.empty());
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "News", "Home", "Typed"}));
}

} // namespace
