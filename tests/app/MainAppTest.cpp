// The road from start to exit: a second copy ends at once and touches
// nothing; the first runs the window until it is closed.

#include "AppFixture.h"

#include "app/MainApp.h"
#include "fakes/FakeInstanceLock.h"
#include "skin/DockDialog.h"

namespace {

using MainAppTest = AppFixture;

TEST_F(MainAppTest, SecondCopyEndsAtOnceWithoutWindowFileOrSetting) {
    CFakeInstanceLock lock(IInstanceLock::heldElsewhere);
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
            QMetaObject::invokeMethod(w, [w] { static_cast<CMainDialog*>(w)->OnCommand(IDC_BTNDOCK); },
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
    EXPECT_EQ(FileBytes("Quillbox.dat").size(), 64);  // ended by the close command, which saved
    app.ExitInstance();
}

}  // namespace
