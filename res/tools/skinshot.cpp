// SPDX-License-Identifier: MIT
// Renders the main window's skin with its always-visible bitmap buttons, as
// real widgets on Qt's offscreen platform, and saves the grab as a PNG whose
// pixels outside the window's shape are transparent.
//
//   qb_skinshot [<output.png>]      (default: docs/main-skin.png in the source tree)
//
// The Go button is shown in its hover state.
#include "app/MainControls.h"
#include "skin/QBBitmapButton.h"
#include "skin/WindowSkin.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <cstdio>

#ifndef QB_DOCS_DIR
#define QB_DOCS_DIR "docs"
#endif

namespace {

class CSkinnedWindow final : public QWidget {
public:
    CSkinnedWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {}
    CWindowSkin m_skin;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter dc(this);
        m_skin.Paint(dc);
    }
};

// The bitmap buttons and labels that every panel shows.
bool AlwaysShown(const CControl& row) {
    for (EPanel panel : ALL_PANELS)
        if (StateIn(row, panel) == EControlState::Hide ||
            StateIn(row, panel) == EControlState::Later)
            return false;
    return HasBitmap(row);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QB_DOCS_DIR "/main-skin.png");

    CSkinnedWindow window;
    CQBBitmapButton* go = nullptr;
    for (const CControl& row : CONTROLS) {
        if (!AlwaysShown(row))
            continue;
        auto* button = new CQBBitmapButton(&window);
        button->setText(row.m_name);
        button->move(row.m_rect.m_x, row.m_rect.m_y);
        if (!button->Init(row.m_id, &window.m_skin, &window)) {
            std::fprintf(stderr, "no bitmap for %s\n", row.m_name);
            return 1;
        }
        if (row.m_id == IDC_BTNGO)
            go = button;
    }
    if (!window.m_skin.Load(&window, "MainWnd")) {
        std::fprintf(stderr, "no MainWnd bitmap\n");
        return 1;
    }
    window.show();
    QApplication::processEvents();

    const QPointF inside(14, 15);
    QMouseEvent move(QEvent::MouseMove, inside, go->mapToGlobal(inside), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(go, &move);
    QApplication::processEvents();

    QImage shot = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion shape = window.mask();
    QImage alpha(shot.size(), QImage::Format_ARGB32);
    alpha.fill(Qt::transparent);
    {
        QPainter p(&alpha);
        p.setClipRegion(shape);
        p.drawImage(0, 0, shot);
    }
    QDir().mkpath(QFileInfo(out).absolutePath());
    if (!alpha.save(out)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
