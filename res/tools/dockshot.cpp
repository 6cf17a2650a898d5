// SPDX-License-Identifier: MIT
// Runs the dock window over a small sample tree on a real display, for
// screenshots and for checking it by hand (under xvfb-run with xdotool).
//
//   qb_dockshot [<output.png>]   opens the dock's menu and the "Work" sub-menu,
//                                saves the screen around them (default:
//                                dock-menu.png in the current folder), ends
//   qb_dockshot --run [x y]      just runs the dock window at (x, y); prints
//                                "open <target>" for each chosen entry and
//                                "result <n> at <x> <y>" when it ends
#include "skin/DockDialog.h"
#include "tree/Item.h"
#include "tree/Menu.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#ifndef QB_DOCS_DIR
#define QB_DOCS_DIR "docs"
#endif

namespace {

void AddEntry(CFolder& folder, const char* name, const char* target) {
    folder.Append(std::make_unique<CEntry>(name, target, nullptr));
}

CFolder& AddFolder(CFolder& parent, const char* name) {
    auto folder = std::make_unique<CFolder>(name);
    CFolder& added = *folder;
    parent.Append(std::move(folder));
    return added;
}

void FillSample(CFolder& top) {
    AddEntry(top, "Start page", "http://example.org/");
    top.Append(std::make_unique<CItem>(SEPARATOR_TEXT));
    CFolder& work = AddFolder(top, "Work");
    AddEntry(work, "Project notes", "/home/user/notes/project.txt");
    AddEntry(work, "Issue tracker", "https://tracker.example.org/");
    work.Append(std::make_unique<CItem>(SEPARATOR_TEXT));
    AddEntry(work, "Reports folder", "/home/user/reports");
    CFolder& reading = AddFolder(top, "Reading");
    AddEntry(reading, "Daily paper", "www.example.com/news");
    AddEntry(AddFolder(reading, "Archive"), "Old article", "http://example.net/old");
    top.Append(std::make_unique<CEntry>("New bookmark", "", &top));
    AddEntry(top, "Downloads", "/home/user/Downloads");
}

void Key(int key) {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(popup, &press);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool run = argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--run");
    const QString out =
        !run && argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("dock-menu.png");
    const int x = run && argc > 3 ? std::atoi(argv[2]) : 100;
    const int y = run && argc > 3 ? std::atoi(argv[3]) : 100;

    ResetTreeState();
    std::unique_ptr<CMenu> content = MakeContentMenu();
    std::unique_ptr<CFolder> top = StartTree(content.get());
    FillSample(*top);

    int status = 0;
    {
        CDockDialog dock(
            top.get(), content.get(),
            [](const std::string& target) {
                std::printf("open %s\n", target.c_str());
                std::fflush(stdout);
            },
            x, y);
        if (!run) {
            QTimer::singleShot(300, &dock,
                               [&dock] { dock.ShowMenu(dock.mapToGlobal(QPoint(30, 30))); });
            // In the open menu: down to "Work" (the separator is skipped) and into it.
            QTimer::singleShot(600, [] {
                Key(Qt::Key_Down);
                Key(Qt::Key_Down);
                Key(Qt::Key_Right);
            });
            QTimer::singleShot(1000, &dock, [&] {
                QScreen* screen = QGuiApplication::primaryScreen();
                const QPixmap shot = screen->grabWindow(0, 90, 90, 420, 260);
                QDir().mkpath(QFileInfo(out).absolutePath());
                if (shot.isNull() || !shot.save(out)) {
                    std::fprintf(stderr, "could not write %s\n", qPrintable(out));
                    status = 1;
                }
                Key(Qt::Key_Escape);
                Key(Qt::Key_Escape);
                QTimer::singleShot(100, &dock, [&dock] { dock.OnOK(); });
            });
        }
        const int result = dock.exec();
        std::printf("result %d at %d %d\n", result, dock.GetDockX(), dock.GetDockY());
    }
    EndTree(std::move(top));
    ResetTreeState();
    return status;
}
