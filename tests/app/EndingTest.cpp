// SPDX-License-Identifier: MIT
// Edits outlive an ending that is not the close command: the signals of a
// logout, a shutdown, kill or Ctrl+C save like Close, and a pause after each
// change saves the tree, so that a crash loses only the last moments.

#include "AppFixture.h"
#include "app/EndSignals.h"
#include "app/MainApp.h"
#include "app/SavePolicy.h"
#include "fakes/FakeInstanceLock.h"

#include <csignal>

namespace {

// --------------------------------------------------------- the save policy

// A target whose next write throws what the test put in m_throw.
class CFakeSaveTarget final : public ISaveTarget {
public:
    bool HasTree() const override { return true; }
    void WriteTree() override {
        ++m_nWrites;
        if (m_throw)
            m_throw();
    }
    bool FileHoldsTree() const override { return m_bHolds; }
    void WriteSettings() override { ++m_nSettingsWrites; }
    bool IsBusy() const override { return false; }
    void HandInTyping() override {}
    void Tell(const CFileError& error) override { m_told << error.Message(); }

    std::function<void()> m_throw;
    bool m_bHolds = false;
    int m_nWrites = 0;
    int m_nSettingsWrites = 0;
    QStringList m_told;
};

// The file is in step with the tree until a change, and again only after a
// write that put the tree in the data file.
TEST(SavePolicy, TheFileIsInStepOnlyAfterAWriteThatWorked) {
    ResetTreeState();
    CFakeSaveTarget target;
    CSettings settings(
        std::make_unique<CFakeSettingsStore>(std::make_shared<CFakeSettingsValues>()));
    {
        CSavePolicy policy(target, settings);
        using enum CSavePolicy::EFileState;
        EXPECT_EQ(policy.FileState(), InStep);
        NoteTreeChange();
        EXPECT_EQ(policy.FileState(), Behind);

        target.m_throw = [] {
            throw CFileError(CArchiveException::BadFormat, QStringLiteral("x.dat"));
        };
        EXPECT_FALSE(policy.Save());
        EXPECT_EQ(policy.FileState(), Behind);
        EXPECT_EQ(target.m_told.size(), 1); // asked for: told every time

        // The data file written, the dock's place not: in step, told once.
        target.m_throw = [] { throw CSettingsError(QStringLiteral("settings"), false); };
        EXPECT_TRUE(policy.Save());
        EXPECT_EQ(policy.FileState(), InStep);
        NoteTreeChange();
        EXPECT_TRUE(policy.Save());
        EXPECT_EQ(target.m_told.size(), 2);

        target.m_throw = nullptr;
        NoteTreeChange();
        EXPECT_TRUE(policy.Save());
        EXPECT_EQ(policy.FileState(), InStep);
        EXPECT_EQ(target.m_nWrites, 4);
    }
    EXPECT_FALSE(g_onTreeChange); // the policy stops watching when it goes
}

// ------------------------------------------------------------ the signals

class EndSignalTest : public ::testing::TestWithParam<int> {};

int g_nOtherHandlerCalls = 0;
extern "C" void OtherHandler(int) {
    ++g_nOtherHandlerCalls;
}

// Each signal reaches the event loop as one call, and the handler that was
// there before is back once the watcher goes.
TEST_P(EndSignalTest, ReachesTheEventLoopOnceAndGivesTheHandlerBack) {
    const int signo = GetParam();
    struct sigaction other = {};
    other.sa_handler = OtherHandler;
    sigemptyset(&other.sa_mask);
    struct sigaction saved = {};
    ASSERT_EQ(sigaction(signo, &other, &saved), 0);
    g_nOtherHandlerCalls = 0;
    {
        int calls = 0;
        CEndSignals watcher([&calls] { ++calls; });
        ASSERT_TRUE(watcher.IsActive());
        std::raise(signo);
        std::raise(signo);
        EXPECT_TRUE(QTest::qWaitFor([&calls] { return calls > 0; }, 2000));
        QTest::qWait(20);
        EXPECT_EQ(calls, 1);
    }
    EXPECT_EQ(g_nOtherHandlerCalls, 0);
    std::raise(signo);
    EXPECT_EQ(g_nOtherHandlerCalls, 1);
    sigaction(signo, &saved, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Signals, EndSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

// nohup and a shell's background jobs start a program with SIGHUP or SIGINT
// ignored, so that it outlives the terminal: that stays so.
TEST(EndSignals, ASignalIgnoredAtTheStartStaysIgnored) {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction saved = {};
    ASSERT_EQ(sigaction(SIGHUP, &ignore, &saved), 0);
    int calls = 0;
    {
        CEndSignals watcher([&calls] { ++calls; });
        std::raise(SIGHUP);
        QTest::qWait(50);
    }
    EXPECT_EQ(calls, 0);
    struct sigaction after = {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    sigaction(SIGHUP, &saved, nullptr);
}

// ------------------------------------------------------- ending by a signal

class EndingTest : public AppFixture {
protected:
    // Runs the program as main() does; during the run, act is called once the
    // main window shows.
    void Run(const std::function<void(CMainDialog&)>& act) {
        CFakeInstanceLock lock;
        CSettings settings(std::make_unique<CFakeSettingsStore>(m_values));
        CMainApp app({lock, settings, m_shell, m_picker, QString()});
        QTimer::singleShot(0, [&act] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<CMainDialog*>(w); dialog && dialog->isVisible())
                    act(*dialog);
        });
        EXPECT_FALSE(app.InitInstance());
        app.ExitInstance();
        // The run ended every event loop: run the application's own once, so
        // that the loops after it work again.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }

    // Whether the data file's bytes change from before within ms.
    static bool ChangesWithin(const QByteArray& before, int ms) {
        return QTest::qWaitFor([&before] { return FileBytes("Quillbox.dat") != before; }, ms);
    }
};

// SIGTERM while a name is being typed: the name goes in, the tree is saved
// and the run ends.
TEST_F(EndingTest, ASignalSavesWhatIsBeingTypedAndEndsTheRun) {
    WriteDataFile(SampleTree);
    Run([](CMainDialog& dialog) {
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        CBookmarkListCtrl* left = dialog.GetList(0);
        left->setFocus();
        left->editItem(left->item(1));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->setText(QStringLiteral("Daily news"));
        std::raise(SIGTERM);
    });
    Start();
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Daily news", "Home"}));
}

TEST_F(EndingTest, ASignalAtThePasswordPromptWritesNothing) {
    WriteDataFile(SampleTree, "secret12");
    const QByteArray before = FileBytes("Quillbox.dat");
    const QStringList files = QDir::current().entryList(QDir::Files);
    Run([](CMainDialog&) { std::raise(SIGHUP); });
    EXPECT_EQ(FileBytes("Quillbox.dat"), before);
    EXPECT_EQ(QDir::current().entryList(QDir::Files), files);
    EXPECT_TRUE(m_values->m_writes.empty());
}

// As after a failed close: the failure is said and the window stays with
// the tree, so that the next try can still save it.
TEST_F(EndingTest, AnEndWhoseSaveFailsKeepsTheWindow) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    Top().Remove(1);
    ASSERT_TRUE(QFile::remove(QStringLiteral("Quillbox.dat")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Quillbox.dat")));
    dialog.OnEndRequest();
    EXPECT_EQ(m_messageBox.m_messages.size(), 1);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_NE(dialog.GetTopFolder(), nullptr);
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Home"}));
}

// ------------------------------------------------------ saving after a pause

constexpr int PAUSE_MS = 50;

TEST_F(EndingTest, AnEditIsSavedOnceTheUserPauses) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    const int pause = 300; // long enough to see that the edit itself writes nothing
    dialog.SetSavePause(pause);
    const QByteArray before = FileBytes("Quillbox.dat");
    EXPECT_FALSE(ChangesWithin(before, 2 * pause)); // nothing edited, nothing written

    ClickRow(1, 1); // News
    ClickButton(IDC_BTNDEL);
    EXPECT_EQ(FileBytes("Quillbox.dat"), before); // not while the user acts
    EXPECT_TRUE(ChangesWithin(before, 2000));
    Start(); // without the close command
    EXPECT_EQ(Rows(1), (QStringList{"Work", "Home"}));
}

TEST_F(EndingTest, UnlockingAtThePromptIsNoEdit) {
    WriteDataFile(SampleTree, "secret12");
    const QByteArray before = FileBytes("Quillbox.dat");
    CMainDialog& dialog = Start();
    dialog.SetSavePause(PAUSE_MS);
    TypeInto(IDC_PROMPTPASSWD, QStringLiteral("secret12"));
    ClickButton(IDC_BTNOK);
    ASSERT_EQ(Rows(1), (QStringList{"Work", "News", "Home"}));
    EXPECT_FALSE(ChangesWithin(before, 4 * PAUSE_MS));
    EXPECT_TRUE(m_values->m_writes.empty());
}

// A save after a pause that fails says so once, however often it is tried
// again; one that works again starts over.
TEST_F(EndingTest, AFailedSaveAfterAPauseIsReportedOnceAndTriedAgain) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    dialog.SetSavePause(PAUSE_MS);
    ASSERT_TRUE(QFile::remove(QStringLiteral("Quillbox.dat")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Quillbox.dat")));
    const auto messageAfterPause = [this](const char* what) {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_messageBox.m_messages.isEmpty(); }, 2000))
            << what;
        m_messageBox.m_messages.clear();
    };

    Top().MoveDown(0);
    messageAfterPause("the first failure");
    Top().MoveDown(1);
    QTest::qWait(6 * PAUSE_MS);
    EXPECT_TRUE(m_messageBox.m_messages.isEmpty());

    ASSERT_TRUE(QDir().rmdir(QStringLiteral("Quillbox.dat")));
    Top().MoveDown(0);
    EXPECT_TRUE(
        QTest::qWaitFor([] { return QFile::exists(QStringLiteral("Quillbox.dat")); }, 2000));
    ASSERT_TRUE(QFile::remove(QStringLiteral("Quillbox.dat")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Quillbox.dat")));
    Top().MoveDown(0);
    messageAfterPause("a failure after a save that worked");
}

// The failure's message would take the focus from the name editor, which
// would put the half-typed name in: it waits until the name is in.
TEST_F(EndingTest, AFailureIsNotReportedWhileANameIsTyped) {
    WriteDataFile(SampleTree);
    CMainDialog& dialog = Start();
    dialog.SetSavePause(PAUSE_MS);
    ASSERT_TRUE(QFile::remove(QStringLiteral("Quillbox.dat")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Quillbox.dat")));

    ClickRow(1, 2); // Home
    ClickButton(IDC_BTNDEL);
    ClickButton(IDC_BTNREN); // News is selected now
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("Daily"));
    QTest::qWait(6 * PAUSE_MS);
    EXPECT_TRUE(m_messageBox.m_messages.isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), editor);

    QTest::keyClicks(editor, QStringLiteral(" news"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_messageBox.m_messages.isEmpty(); }, 2000));
    EXPECT_EQ(Top().GetChild(1)->GetName(), "Daily news");
}

} // namespace
