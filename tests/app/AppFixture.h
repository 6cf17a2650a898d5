// SPDX-License-Identifier: MIT
#pragma once
// A fixture for tests that run the main window: a fresh temporary folder as
// the current directory (where the data files live), a settings store in
// memory that outlives each window (as the user's settings outlive a run),
// a recording shell, a picker that answers for the user and message boxes
// that only record. Helpers click
// controls the way a user does.

#include "app/MainDialog.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakePathPicker.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeShell.h"
#include "fakes/QtPrint.h"
#include "skin/BookmarkListCtrl.h"
#include "skin/DockDialog.h"
#include "skin/QBBitmapButton.h"
#include "store/DataFile.h"
#include "store/Settings.h"
#include "tree/Item.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSessionManager>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

// Acts on the dock window once it runs.
inline void WithDock(const std::function<void(CDockDialog&)>& act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dock = qobject_cast<CDockDialog*>(w); dock && dock->isVisible()) {
                timer->deleteLater();
                act(*dock);
                return;
            }
    });
    timer->start(10);
}

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTreeState();
        ASSERT_TRUE(m_dir.isValid());
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }

    void TearDown() override {
        m_dialog.reset();
        m_settings.reset();
        ResetTreeState();
        QDir::setCurrent(m_previousDir);
    }

    // Writes a data file holding the tree that build makes, under password.
    void WriteDataFile(const std::function<void(CFolder&)>& build,
                       const std::string& password = {}) {
        std::unique_ptr<CFolder> top = StartTree(nullptr);
        build(*top);
        CSettings settings(std::make_unique<CFakeSettingsStore>(m_values));
        settings.SetPassword(password);
        CDataFileState state;
        ::SaveTree(*top, settings, state);
        EndTree(std::move(top));
        m_values->m_writes.clear();
    }

    // Root: Work (Tracker, Docs (Report, Notes, Old (Q3)), Reports), News, Home.
    static void SampleTree(CFolder& top) {
        auto work = std::make_unique<CFolder>("Work");
        CFolder& w = *work;
        top.Append(std::move(work));
        w.Append(std::make_unique<CEntry>("Tracker", "https://tracker.example.org/", nullptr));
        auto docs = std::make_unique<CFolder>("Docs");
        CFolder& d = *docs;
        w.Append(std::move(docs));
        d.Append(std::make_unique<CEntry>("Report", "/home/user/report.pdf", nullptr));
        d.Append(std::make_unique<CEntry>("Notes", "/home/user/notes.txt", nullptr));
        auto old = std::make_unique<CFolder>("Old");
        CFolder& o = *old;
        d.Append(std::move(old));
        o.Append(std::make_unique<CEntry>("Q3", "/home/user/q3.pdf", nullptr));
        w.Append(std::make_unique<CEntry>("Reports", "/home/user/Reports", nullptr));
        top.Append(std::make_unique<CEntry>("News", "www.example.org", nullptr));
        top.Append(std::make_unique<CEntry>("Home", "/home/user", nullptr));
    }

    // A new run: a new settings record on the same store, a new window,
    // initialised and shown as the active window.
    CMainDialog& Start() {
        m_dialog.reset();
        m_settings.reset();
        m_settings = std::make_unique<CSettings>(std::make_unique<CFakeSettingsStore>(m_values));
        m_dialog = std::make_unique<CMainDialog>(*m_settings, m_shell, m_picker);
        m_dialog->SetMessageBox(m_messageBox);
        m_dialog->SetStateFolder(m_stateFolder);
        m_initResult = m_dialog->OnInitDialog();
        m_dialog->show();
        QApplication::setActiveWindow(m_dialog.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
        return *m_dialog;
    }

    QWidget* Item(int id) const { return m_dialog->GetDlgItem(id); }
    QAbstractItemView* List(int n) const {
        return qobject_cast<QAbstractItemView*>(Item(IDC_LIST1 + n - 1));
    }
    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(Item(id)); }
    bool Shown(int id) const { return !Item(id)->isHidden(); }
    bool Enabled(int id) const { return Item(id)->isEnabled(); }

    static QStringList Rows(QAbstractItemView* view) {
        QStringList rows;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            rows << view->model()->index(r, 0).data().toString();
        return rows;
    }
    QStringList Rows(int n) const { return Rows(List(n)); }

    // row -1: beside the rows, at the bottom of the list.
    void ClickRow(int n, int row, Qt::MouseButton button = Qt::LeftButton) {
        QAbstractItemView* view = List(n);
        QPoint point(5, view->viewport()->height() - 5);
        if (row >= 0) // rows are wider than the list: press near their left end
            point = QPoint(10, view->visualRect(view->model()->index(row, 0)).center().y());
        QTest::mouseClick(view->viewport(), button, {}, point);
        QApplication::processEvents();
    }
    void DoubleClickRow(int n, int row) {
        QAbstractItemView* view = List(n);
        const QPoint point(10, view->visualRect(view->model()->index(row, 0)).center().y());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          point); // the first click of the two
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
        QApplication::processEvents();
    }
    // Presses a bitmap button inside its shape, as the user does.
    void ClickButton(int id) {
        auto* button = qobject_cast<CQBBitmapButton*>(Item(id));
        ASSERT_NE(button, nullptr) << id;
        QRect best;
        for (const QRect& rect : button->GetShape())
            if (rect.width() * rect.height() > best.width() * best.height())
                best = rect;
        QTest::mouseClick(button, Qt::LeftButton, {}, best.center());
        QApplication::processEvents();
    }
    void ClickInto(int id) {
        QTest::mouseClick(Item(id), Qt::LeftButton, {}, QPoint(5, 5));
        QApplication::processEvents();
    }
    void TypeInto(int id, const QString& text) {
        ClickInto(id);
        Edit(id)->selectAll();
        QTest::keyClicks(Item(id), text);
    }

    // The desktop's session manager asking the program to save its data (as
    // before a logout), through the application's own manager.
    static void CommitSessionData() {
        auto* manager = qApp->findChild<QSessionManager*>();
        ASSERT_NE(manager, nullptr);
        emit qGuiApp->commitDataRequest(*manager);
    }

    CFolder& Top() const { return *m_dialog->GetTopFolder(); }
    static QByteArray FileBytes(const char* name) {
        QFile file(QString::fromLatin1(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_previousDir;
    std::shared_ptr<CFakeSettingsValues> m_values = std::make_shared<CFakeSettingsValues>();
    std::unique_ptr<CSettings> m_settings;
    CFakeShell m_shell;
    CFakePathPicker m_picker;
    std::unique_ptr<CMainDialog> m_dialog;
    QString m_stateFolder; // the merge history's home; empty keeps none
    bool m_initResult = false;
    CFakeMessageBox m_messageBox; // the messages the window showed
};
