// Renders the main window's skin with its always-visible bitmap buttons, as
// real widgets on Qt's offscreen platform, and saves the grab as a PNG whose
// pixels outside the window's shape are transparent.
//
//   qb_skinshot [<output.png>]      (default: docs/main-skin.png in the source tree)
//
// The Go button is shown in its hover state.
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

struct Place {
    const char* name;
    int id;
    int x, y;
};

const Place kButtons[] = {
    {"BtnClose", 2000, 511, 206},  {"BtnMini", 2001, 511, 249},   {"BtnHelp", 2002, 18, 278},
    {"BtnAbout", 2004, 28, 319},   {"BtnGo", 2005, 439, 343},     {"BtnDock", 2006, 511, 286},
    {"BtnOpt", 2007, 12, 237},     {"BtnMain", 2008, 12, 195},    {"btnTitle", 2009, 196, 10},
    {"BtnAdd", 2010, 133, 343},    {"BtnAddSep", 2011, 133, 382}, {"BtnDel", 2012, 75, 343},
    {"BtnUp", 2013, 100, 340},     {"BtnDown", 2014, 100, 400},   {"BtnRen", 2015, 100, 366},
    {"BtnSelect", 2035, 469, 343},
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QB_DOCS_DIR "/main-skin.png");

    CSkinnedWindow window;
    CQBBitmapButton* go = nullptr;
    for (const Place& place : kButtons) {
        auto* button = new CQBBitmapButton(&window);
        button->setText(place.name);
        button->move(place.x, place.y);
        if (!button->Init(place.id, &window.m_skin, &window)) {
            std::fprintf(stderr, "no bitmap for %s\n", place.name);
            return 1;
        }
        if (place.id == 2005)
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
