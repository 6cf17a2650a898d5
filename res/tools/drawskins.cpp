// SPDX-License-Identifier: MIT
// Draws every bitmap of Quillbox's skinned look: the main window's cover
// ("MainWnd"), the dock tile ("DockWin"), one bitmap per skinned button and
// label, and the program icon in several sizes.
//
//   qb_drawskins [--out <res folder>] [--preview <folder>]
//
// Bitmaps go to <res>/bitmaps as 24-bit BMP files, each also drawn at twice
// the size as "<Name>@2x.png" for scaled screens; the icon goes to <res>/icons
// as PNG files. With --preview the tool also writes PNG composites of the main
// window's panels with their buttons placed, for looking at the result.
//
// Pure red, RGB(255, 0, 0), is the key colour: it marks pixels that are not
// part of a window or a button. Anti-aliased edges must never blend into it,
// so each button is painted onto the piece of the cover that lies beneath it
// and only then cut out along a hard edge. Buttons may overlap their
// neighbours by a pixel or two; in every overlap at most one of them keeps
// pixels, which the tool checks before it writes anything.
#include "app/MainControls.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#ifndef QB_RES_DIR
#define QB_RES_DIR "res"
#endif

namespace {

constexpr QRgb KEY = 0xFFFF0000u;

// One palette for everything: a leather-bound notebook with cream paper,
// brass fittings and ink-blue editing keys.
namespace pal {
const QColor RIM(0x22, 0x14, 0x0c);
const QColor LEATHER_DARK(0x4a, 0x2b, 0x1a);
const QColor LEATHER(0x6e, 0x42, 0x28);
const QColor LEATHER_LIGHT(0x8e, 0x5b, 0x37);
const QColor STITCH(0xe3, 0xc9, 0x98);
const QColor PAPER(0xfa, 0xf4, 0xe2);
const QColor PAPER_WARM(0xf2, 0xe8, 0xcd);
const QColor PAPER_SHADE(0xd9, 0xc9, 0xa4);
const QColor INK(0x2c, 0x22, 0x18);
const QColor INK_SOFT(0x6b, 0x58, 0x42);
const QColor ALERT(0x9a, 0x2e, 0x1c);
const QColor BRASS(0xc9, 0xa2, 0x55);
const QColor BRASS_DARK(0x86, 0x64, 0x2a);
const QColor BRASS_LIGHT(0xf2, 0xdc, 0xa0);
const QColor ESPRESSO(0x2b, 0x1d, 0x16);
const QColor ESPRESSO_LIGHT(0x55, 0x3d, 0x2e);
const QColor CREAM(0xf7, 0xea, 0xcb);
const QColor BLUE(0x2d, 0x5a, 0x92);
const QColor BLUE_DARK(0x16, 0x30, 0x54);
const QColor BLUE_DEEP(0x0e, 0x1f, 0x38);
const QColor BLUE_LIGHT(0x64, 0x96, 0xd2);
} // namespace pal

constexpr int MAIN_W = 556;
constexpr int MAIN_H = 452;

// Centre and radius of the ink-blue dial that the editing keys form.
const QPointF DIAL_CENTRE(117.0, 383.5);
constexpr double DIAL_R = 43.0;

QString g_sans;
QString g_serif;

QFont Font(const QString& family, double px, bool bold, bool italic = false) {
    QFont f(family);
    f.setPixelSize(static_cast<int>(std::lround(px)));
    f.setBold(bold);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Deterministic per-pixel noise in [-1, 1], so the tool always draws the same bytes.
double Noise(int x, int y, unsigned seed) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 32767.5 - 1.0;
}

// Smooth value noise for the leather's mottling.
double SmoothNoise(double x, double y, unsigned seed) {
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = Noise(x0, y0, seed), b = Noise(x0 + 1, y0, seed);
    const double c = Noise(x0, y0 + 1, seed), d = Noise(x0 + 1, y0 + 1, seed);
    return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

int Clamp255(double v) {
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

// Device pixels per drawing unit: 1 for the bitmaps, 2 for their large
// versions for screens scaled to 200 %. Every drawing works in units; an
// image of w x h units holds w * g_scale x h * g_scale pixels and says so
// by its device pixel ratio, so a painter on it scales by itself.
int g_scale = 1;

QImage NewImage(int w, int h, QImage::Format format) {
    QImage img(w * g_scale, h * g_scale, format);
    img.setDevicePixelRatio(g_scale);
    return img;
}

// An image's size in drawing units.
QSize Units(const QImage& img) {
    return img.size() / int(img.devicePixelRatio());
}

QImage NewLayer(int w, int h) {
    QImage img = NewImage(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// The mean of the 2 * radius + 1 pixels around (x, y) along one direction;
// pixels outside the image count as transparent.
QRgb BoxMean(const QImage& img, int x, int y, int radius, bool horizontal) {
    int s[4] = {0, 0, 0, 0};
    int n = 0;
    for (int k = -radius; k <= radius; ++k) {
        const int xx = horizontal ? x + k : x;
        const int yy = horizontal ? y : y + k;
        ++n;
        if (xx < 0 || yy < 0 || xx >= img.width() || yy >= img.height())
            continue;
        const QRgb p = reinterpret_cast<const QRgb*>(img.constScanLine(yy))[xx];
        s[0] += qAlpha(p);
        s[1] += qRed(p);
        s[2] += qGreen(p);
        s[3] += qBlue(p);
    }
    return qRgba(s[1] / n, s[2] / n, s[3] / n, s[0] / n);
}

// Box blur of a premultiplied layer, three passes, approximating a Gaussian.
QImage Blur(const QImage& src, int radius) {
    QImage img = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = img.width(), h = img.height();
    radius *= int(img.devicePixelRatio());
    for (int pass = 0; pass < 3; ++pass) {
        for (bool horizontal : {true, false}) {
            QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
            out.setDevicePixelRatio(img.devicePixelRatio());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    reinterpret_cast<QRgb*>(out.scanLine(y))[x] =
                        BoxMean(img, x, y, radius, horizontal);
            img = out;
        }
    }
    return img;
}

// A layer holding only a soft shadow of another layer's coverage.
QImage ShadowOf(const QImage& layer, const QColor& colour, double opacity, int radius,
                QPointF offset) {
    QImage shape = NewLayer(Units(layer).width(), Units(layer).height());
    {
        QPainter p(&shape);
        p.drawImage(offset, layer);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(shape.rect(), colour);
    }
    QImage soft = Blur(shape, radius);
    QImage out = NewLayer(Units(layer).width(), Units(layer).height());
    QPainter p(&out);
    p.setOpacity(opacity);
    p.drawImage(0, 0, soft);
    return out;
}

QPainterPath RoundRect(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath Circle(QPointF c, double r) {
    QPainterPath path;
    path.addEllipse(c, r, r);
    return path;
}

// ---------------------------------------------------------------------------
// The buttons and labels, at the places the table of controls gives them.

enum class EKind { Button, Label, Solid };

struct CPiece {
    const char* m_name;
    int m_x, m_y, m_w, m_h;
    EKind m_kind;
    std::function<void(QPainter&, int w, int h)> m_draw; // paints onto a transparent layer
    QRect m_keep;      // the part of the rectangle that may keep pixels (local); empty: all
    bool m_round;      // a round key, seated in a socket of the cover
    unsigned m_panels; // the panels in which it can be seen, a bit for each EPanel
};

void DrawRoundButton(QPainter& p, int w, int h,
                     const std::function<void(QPainter&, QPointF, double)>& glyph) {
    const QPointF c(w / 2.0, h / 2.0);
    const double r = std::min(w, h) / 2.0 - 0.5;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::RIM);
    p.drawEllipse(c, r, r);
    QLinearGradient ring(c.x(), c.y() - r, c.x(), c.y() + r);
    ring.setColorAt(0, pal::BRASS_LIGHT);
    ring.setColorAt(0.5, pal::BRASS);
    ring.setColorAt(1, pal::BRASS_DARK);
    p.setBrush(ring);
    p.drawEllipse(c, r - 1.0, r - 1.0);
    QRadialGradient face(c.x() - r * 0.3, c.y() - r * 0.35, r * 1.3);
    face.setColorAt(0, pal::ESPRESSO_LIGHT);
    face.setColorAt(1, pal::ESPRESSO);
    p.setBrush(face);
    p.drawEllipse(c, r - 2.6, r - 2.6);
    // A soft gloss over the upper half.
    QLinearGradient gloss(c.x(), c.y() - r, c.x(), c.y());
    gloss.setColorAt(0, QColor(255, 240, 210, 60));
    gloss.setColorAt(1, QColor(255, 240, 210, 0));
    p.setBrush(gloss);
    p.drawEllipse(QRectF(c.x() - r * 0.62, c.y() - r + 3.4, r * 1.24, r * 0.8));
    glyph(p, c, r);
}

QPen GlyphPen(double width) {
    QPen pen(pal::CREAM, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

void DrawGlyphText(QPainter& p, QPointF c, const QString& text, double px,
                   const QColor& colour = pal::CREAM) {
    const QFont f = Font(g_sans, px, true);
    QPainterPath path;
    path.addText(0, 0, f, text);
    const QRectF b = path.boundingRect();
    path.translate(std::round(c.x() - b.center().x()), std::round(c.y() - b.center().y()));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

void DrawTextCentred(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
                     const QColor& colour) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

void DrawDarkTab(QPainter& p, const QRectF& r, double radius, const QString& text, double px) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::RIM);
    p.drawRoundedRect(r, radius, radius);
    QLinearGradient ring(r.topLeft(), r.bottomLeft());
    ring.setColorAt(0, pal::BRASS_LIGHT);
    ring.setColorAt(1, pal::BRASS_DARK);
    p.setBrush(ring);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0, pal::ESPRESSO_LIGHT);
    face.setColorAt(0.55, pal::ESPRESSO);
    face.setColorAt(1, pal::ESPRESSO);
    p.setBrush(face);
    p.drawRoundedRect(r.adjusted(2.2, 2.2, -2.2, -2.2), radius - 2, radius - 2);
    DrawTextCentred(p, r.adjusted(0, 0, 0, -0.5), text, Font(g_sans, px, true), pal::CREAM);
}

// One key of the ink-blue dial: the dial's disc cut to a rectangle (local
// coordinates of the key's bitmap at (x, y) in the window).
void DrawDialKey(QPainter& p, int x, int y, const QRectF& cut,
                 const std::function<void(QPainter&, QPointF)>& glyph, QPointF glyphCentre) {
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = DIAL_CENTRE - QPointF(x, y);
    QPainterPath disc = Circle(c, DIAL_R);
    QPainterPath box;
    box.addRect(cut);
    const QPainterPath key = disc.intersected(box);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::BLUE_DEEP);
    p.drawPath(key);
    QRadialGradient face(c.x() - 18, c.y() - 22, DIAL_R * 1.6);
    face.setColorAt(0, pal::BLUE_LIGHT);
    face.setColorAt(0.45, pal::BLUE);
    face.setColorAt(1, pal::BLUE_DARK);
    p.setBrush(face);
    QPainterPath innerBox;
    innerBox.addRect(cut.adjusted(0.9, 0.9, -0.9, -0.9));
    p.drawPath(Circle(c, DIAL_R - 1.1).intersected(innerBox));
    // Light catching the upper-left edges.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(190, 215, 245, 70), 1.0));
    p.drawPath(Circle(c, DIAL_R - 1.6).intersected(innerBox));
    p.setClipPath(key);
    glyph(p, glyphCentre - QPointF(x, y));
}

void DrawLabelText(QPainter& p, int w, int h, const QString& text, const QColor& colour,
                   Qt::Alignment align, double maxPx) {
    QFont f = Font(g_sans, maxPx, true);
    for (double px = maxPx; px >= 9; px -= 0.5) {
        f = Font(g_sans, px, true);
        if (QFontMetricsF(f).horizontalAdvance(text) <= w - 8)
            break;
    }
    QImage text1 = NewLayer(w, h);
    {
        QPainter t(&text1);
        t.setRenderHint(QPainter::TextAntialiasing);
        t.setFont(f);
        t.setPen(colour);
        t.drawText(QRectF(3, 0, w - 6, h - 2), static_cast<int>(align | Qt::AlignVCenter), text);
    }
    p.drawImage(0, 0, ShadowOf(text1, QColor(60, 40, 20), 0.45, 1, QPointF(1, 1.5)));
    p.drawImage(0, 0, text1);
}

using DrawFn = std::function<void(QPainter&, int w, int h)>;
using RoundGlyph = std::function<void(QPainter&, QPointF, double)>;
using DialGlyph = std::function<void(QPainter&, QPointF)>;

// How each bitmap is drawn, by control identifier; the table of controls
// gives its name, place and size.
struct CDrawing {
    DrawFn m_draw; // paints onto a transparent layer
    QRect m_keep;  // the part of the rectangle that may keep pixels (local); empty: all
    EKind m_kind = EKind::Button; // Label: soft edges keep more; Solid: keeps its whole rectangle
    bool m_round = false;         // a round key: the cover has a socket beneath it
};
using Drawings = std::map<int, CDrawing>;

const CControlRect& Place(int id) {
    return CONTROLS[ControlIndex(id)].m_rect;
}

void AddRoundKey(Drawings& d, int id, RoundGlyph glyph) {
    d[id] = {[g = std::move(glyph)](QPainter& p, int w, int h) { DrawRoundButton(p, w, h, g); },
             {},
             EKind::Button,
             true};
}

void DrawItalicI(QPainter& p, QPointF c, double) {
    QFont f = Font(g_serif, 19, true, true);
    QPainterPath path;
    path.addText(0, 0, f, "i");
    const QRectF b = path.boundingRect();
    path.translate(std::round(c.x() - b.center().x()), std::round(c.y() - b.center().y()));
    p.setPen(Qt::NoPen);
    p.setBrush(pal::CREAM);
    p.drawPath(path);
}

void AddRoundKeys(Drawings& d) {
    AddRoundKey(d, IDC_BTNCLOSE, [](QPainter& p, QPointF c, double) {
        p.setPen(GlyphPen(2.6));
        const double s = 5.2;
        p.drawLine(c + QPointF(-s, -s), c + QPointF(s, s));
        p.drawLine(c + QPointF(-s, s), c + QPointF(s, -s));
    });
    AddRoundKey(d, IDC_BTNMINI, [](QPainter& p, QPointF c, double) {
        p.setPen(GlyphPen(2.6));
        p.drawLine(c + QPointF(-5, 0.5), c + QPointF(5, 0.5));
    });
    AddRoundKey(d, IDC_BTNHELP,
                [](QPainter& p, QPointF c, double) { DrawGlyphText(p, c, "?", 17); });
    AddRoundKey(d, IDC_BTNABOUT, DrawItalicI);
    AddRoundKey(d, IDC_BTNDOCK, [](QPainter& p, QPointF c, double) {
        p.setPen(Qt::NoPen);
        p.setBrush(pal::BRASS_LIGHT);
        p.drawEllipse(c, 3.2, 3.2);
    });
    AddRoundKey(d, IDC_BTNOPT, [](QPainter& p, QPointF c, double) {
        p.setPen(GlyphPen(2.4));
        for (int i = 0; i < 3; ++i) {
            const double a = M_PI / 2 + i * M_PI / 3;
            const QPointF s(std::cos(a) * 6.3, std::sin(a) * 6.3);
            p.drawLine(c - s, c + s);
        }
    });
    AddRoundKey(d, IDC_BTNMAIN,
                [](QPainter& p, QPointF c, double) { DrawGlyphText(p, c, "M", 14); });
}

void DrawTitle(QPainter& p, int w, int h) {
    QFont f = Font(g_serif, 27, true, true);
    QPainterPath path;
    path.addText(0, 0, f, "Quillbox");
    const QRectF b = path.boundingRect();
    path.translate(std::round(w / 2.0 - b.center().x()), std::round(h / 2.0 - b.center().y()));
    QImage letters = NewLayer(w, h);
    {
        QPainter t(&letters);
        t.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 4, 0, h - 4);
        g.setColorAt(0, pal::BRASS_LIGHT);
        g.setColorAt(0.5, pal::BRASS);
        g.setColorAt(1, pal::BRASS_DARK);
        t.setPen(QPen(pal::RIM, 0.8));
        t.setBrush(g);
        t.drawPath(path);
    }
    p.drawImage(0, 0, ShadowOf(letters, QColor(10, 5, 0), 0.7, 1, QPointF(1, 1.5)));
    p.drawImage(0, 0, letters);
}

// One key of the dial: the part of the disc inside cut (window coordinates),
// its glyph centred on glyphCentre (window coordinates).
void AddDialKey(Drawings& d, int id, QRectF cut, const DialGlyph& glyph, QPointF glyphCentre) {
    d[id] = {[=](QPainter& p, int, int) {
                 const CControlRect& r = Place(id);
                 DrawDialKey(p, r.m_x, r.m_y, cut.translated(-r.m_x, -r.m_y), glyph, glyphCentre);
             },
             {}};
}

DialGlyph Arrow(bool up) {
    return [up](QPainter& p, QPointF c) {
        QPainterPath tri;
        const double s = up ? -1 : 1;
        tri.moveTo(c + QPointF(0, 4.5 * s));
        tri.lineTo(c + QPointF(-6, -3.5 * s));
        tri.lineTo(c + QPointF(6, -3.5 * s));
        tri.closeSubpath();
        p.setPen(QPen(pal::CREAM, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(pal::CREAM);
        p.drawPath(tri);
    };
}

void DrawRenameKey(QPainter& p, int w, int h) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, w, h);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::BLUE_DEEP);
    p.drawRoundedRect(r, 4, 4);
    QLinearGradient face(0, 0, w, h);
    face.setColorAt(0, pal::BLUE_LIGHT);
    face.setColorAt(0.5, pal::BLUE);
    face.setColorAt(1, pal::BLUE_DARK);
    p.setBrush(face);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 3.2, 3.2);
    QPen dash(pal::CREAM, 1.4, Qt::CustomDashLine, Qt::FlatCap);
    dash.setDashPattern({2.0, 1.6});
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(7.5, 8.5, w - 15, h - 17));
    // A text cursor in the frame.
    p.setPen(QPen(pal::CREAM, 1.6, Qt::SolidLine, Qt::FlatCap));
    const double cx = w / 2.0;
    p.drawLine(QPointF(cx, 12), QPointF(cx, h - 12));
    p.drawLine(QPointF(cx - 2.5, 11.8), QPointF(cx + 2.5, 11.8));
    p.drawLine(QPointF(cx - 2.5, h - 11.8), QPointF(cx + 2.5, h - 11.8));
}

// The dial of editing keys. Each key keeps only its own part of the disc,
// with a one-pixel gap to its neighbours; the rename key in the middle is a
// solid square.
void AddDialKeys(Drawings& d) {
    const double xl = 99, xr = 134; // left and right edges of the middle column
    AddDialKey(
        d, IDC_BTNADD, QRectF(xr + 1, 343, 40, 383 - 343),
        [](QPainter& q, QPointF c) {
            q.setPen(GlyphPen(2.6));
            q.drawLine(c + QPointF(-5, 0), c + QPointF(5, 0));
            q.drawLine(c + QPointF(0, -5), c + QPointF(0, 5));
        },
        QPointF(145.5, 366.5));
    AddDialKey(
        d, IDC_BTNADDSEP, QRectF(xr + 1, 384, 40, 60),
        [](QPainter& q, QPointF c) {
            // A new rule: a small plus over a line.
            q.setPen(GlyphPen(2.0));
            q.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, -3.5));
            q.drawLine(c + QPointF(0, -7), c + QPointF(0, 0));
            q.setPen(GlyphPen(2.4));
            q.drawLine(c + QPointF(-6, 4.5), c + QPointF(6, 4.5));
        },
        QPointF(145.5, 400.5));
    AddDialKey(
        d, IDC_BTNDEL, QRectF(70, 343, xl - 70, 90),
        [](QPainter& q, QPointF c) {
            q.setPen(GlyphPen(2.6));
            q.drawLine(c + QPointF(-5, 0), c + QPointF(5, 0));
        },
        QPointF(87.5, 383.5));
    AddDialKey(d, IDC_BTNUP, QRectF(100, 335, 34, 365 - 335), Arrow(true), QPointF(117, 353.5));
    AddDialKey(d, IDC_BTNDOWN, QRectF(100, 402, 34, 40), Arrow(false), QPointF(117, 413.5));
    d[IDC_BTNREN] = {DrawRenameKey, {}, EKind::Solid};
}

// The dark tabs of the address rail and the pill keys of the password panels.
void AddTabs(Drawings& d) {
    d[IDC_BTNGO] = {
        [](QPainter& p, int, int h) { DrawDarkTab(p, QRectF(0.5, 0.5, 29, h - 1), 6, "Go", 13); },
        QRect(0, 0, 30, 30)};
    d[IDC_BTNSELECT] = {[](QPainter& p, int w, int h) {
                            DrawDarkTab(p, QRectF(2.5, 0.5, w - 3, h - 1), 6, "Sel", 13);
                        },
                        QRect(2, 0, 39, 30)};
    const auto pill = [&d](int id, const char* text) {
        d[id] = {[text](QPainter& p, int w, int h) {
                     DrawDarkTab(p, QRectF(0.5, 0.5, w - 1, h - 1), (h - 1) / 2.0, text, 12.5);
                 },
                 {}};
    };
    pill(IDC_BTNOK, "OK");
    pill(IDC_BTNSAVE, "Save");
    pill(IDC_BTNIMPORT, "Import");
    pill(IDC_BTNEXPORT, "Export");
    pill(IDC_BTNLINKS, "Links");
    pill(IDC_BTNDOUBLES, "Doubles");
}

void DrawAboutCard(QPainter& p, int w, int h) {
    const QRectF card(4.5, 3.5, w - 10, h - 10);
    QImage cardLayer = NewLayer(w, h);
    {
        QPainter t(&cardLayer);
        t.setRenderHint(QPainter::Antialiasing);
        t.setPen(Qt::NoPen);
        t.setBrush(Qt::black);
        t.drawRoundedRect(card, 8, 8);
    }
    p.drawImage(0, 0, ShadowOf(cardLayer, QColor(70, 45, 20), 0.35, 2, QPointF(1.5, 2.5)));
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(0xff, 0xfb, 0xf0));
    g.setColorAt(1, pal::PAPER_WARM);
    p.setBrush(g);
    p.setPen(QPen(pal::PAPER_SHADE, 1.0));
    p.drawRoundedRect(card, 8, 8);
    p.setPen(QPen(pal::BRASS, 1.0));
    p.drawLine(QPointF(20, 38.5), QPointF(w - 24, 38.5));
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(Font(g_serif, 19, true, true));
    p.setPen(pal::INK);
    p.drawText(QRectF(20, 9, w - 44, 26), Qt::AlignLeft | Qt::AlignVCenter, "Quillbox 1.1");
    p.setFont(Font(g_sans, 11, false));
    p.setPen(pal::INK_SOFT);
    p.drawText(QRectF(20, 9, w - 44, 26), Qt::AlignRight | Qt::AlignVCenter,
               "bookmarks & shortcuts");
    p.setPen(pal::INK);
    p.setFont(Font(g_sans, 12, false));
    const char* lines[] = {"Web addresses, files and folders in one tree,",
                           "opened with a double click or the Go key.",
                           "The collection is kept enciphered in one file,",
                           "under a password of up to eight characters."};
    double y = 45;
    for (const char* line : lines) {
        p.drawText(QRectF(20, y, w - 40, 17), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += 17.5;
    }
}

void AddLabels(Drawings& d) {
    d[IDC_BTNTITLE] = {DrawTitle, {}, EKind::Label};
    d[IDC_ABOUTTEXT] = {DrawAboutCard, {}, EKind::Label};
    const auto label = [&d](int id, const char* text, QColor colour, Qt::Alignment align) {
        d[id] = {
            [=](QPainter& p, int w, int h) { DrawLabelText(p, w, h, text, colour, align, 14); },
            {},
            EKind::Label};
    };
    label(IDC_LBLCONFIRM, "Confirm:", pal::INK, Qt::AlignRight);
    label(IDC_LBLINPUT, "Input your Password:", pal::INK, Qt::AlignLeft);
    label(IDC_LBLUSEPASSWD, "Use Password", pal::INK, Qt::AlignLeft);
    label(IDC_LBLSTRONG, "Strong protection", pal::INK, Qt::AlignLeft);
    label(IDC_LBLPASSWD, "Password:", pal::INK, Qt::AlignRight);
    label(IDC_LBLINVALID, "Invalid Password, please try again.", pal::ALERT, Qt::AlignLeft);
    label(IDC_LBLNOTMATCH, "Your password entries did not match.", pal::ALERT, Qt::AlignLeft);
}

unsigned PanelsOf(const CControl& row) {
    unsigned panels = 0;
    for (EPanel panel : ALL_PANELS)
        if (CanShowIn(row, panel))
            panels |= 1u << static_cast<unsigned>(panel);
    return panels;
}

// Every bitmap button and label of the table, in the table's order; empty
// (after a message) when one has no drawing.
std::vector<CPiece> Pieces() {
    Drawings drawings;
    AddRoundKeys(drawings);
    AddDialKeys(drawings);
    AddTabs(drawings);
    AddLabels(drawings);
    std::vector<CPiece> v;
    for (const CControl& row : CONTROLS) {
        if (!HasBitmap(row))
            continue;
        const auto found = drawings.find(row.m_id);
        if (found == drawings.end()) {
            std::fprintf(stderr, "%s: no drawing\n", row.m_name);
            return {};
        }
        const CDrawing& d = found->second;
        v.push_back(CPiece{row.m_name, row.m_rect.m_x, row.m_rect.m_y, row.m_rect.m_w,
                           row.m_rect.m_h, d.m_kind, d.m_draw, d.m_keep, d.m_round, PanelsOf(row)});
    }
    return v;
}

// ---------------------------------------------------------------------------
// The cover.

QPainterPath Silhouette() {
    QPainterPath s = RoundRect(QRectF(38, 22, 480, 424), 24);
    s = s.united(RoundRect(QRectF(3, 183, 70, 181), 18));   // left spine flap with four keys
    s = s.united(RoundRect(QRectF(497, 195, 56, 126), 18)); // right clasp with three keys
    s = s.united(RoundRect(QRectF(182, 2, 194, 50), 14));   // title plate
    return s.simplified();
}

// Grain over the pixels of area (in pixels), its texture the same size in
// units at every scale.
void Grain(QImage& img, const QRect& area) {
    const double u = img.devicePixelRatio();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const double m = SmoothNoise(x / 9.0 / u, y / 7.0 / u, 3) * 7 +
                             SmoothNoise(x / 2.3 / u, y / 2.0 / u, 5) * 4 +
                             Noise(int(x / u), int(y / u), 11) * 3;
            const QRgb c = line[x];
            line[x] = qRgb(Clamp255(qRed(c) + m), Clamp255(qGreen(c) + m * 0.8),
                           Clamp255(qBlue(c) + m * 0.6));
        }
    }
}

void Socket(QPainter& p, QPointF c, double r) {
    p.setPen(Qt::NoPen);
    QRadialGradient g(c, r + 3.5);
    g.setColorAt(0, QColor(0, 0, 0, 110));
    g.setColorAt(r / (r + 3.5), QColor(0, 0, 0, 90));
    g.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(g);
    p.drawEllipse(c + QPointF(0.3, 0.8), r + 3.5, r + 3.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 225, 180, 45), 1.0));
    p.drawArc(QRectF(c.x() - r - 2, c.y() - r - 2, 2 * r + 4, 2 * r + 4), 200 * 16, 140 * 16);
}

void InsetShadow(QPainter& p, const QRectF& r, double radius, int depth, int alpha) {
    p.save();
    p.setClipPath(RoundRect(r, radius));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < depth; ++i) {
        p.setPen(QPen(QColor(40, 20, 5, alpha * (depth - i) / depth), 1.0));
        p.drawRoundedRect(r.adjusted(0.5 + i * 0.7, 0.5 + i, 2 + i, 2 + i), radius, radius);
    }
    p.restore();
}

// A darker rim, a light bevel and stitching along the outline.
void DrawOutline(QPainter& p, const QPainterPath& shape) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal::RIM, 2.2));
    p.drawPath(shape);
    p.save();
    p.setClipPath(shape);
    p.setPen(QPen(QColor(255, 220, 170, 40), 1.5));
    p.drawPath(shape.translated(0.8, 1.8));
    p.restore();

    // Stitching a few pixels inside the outline.
    QPainterPathStroker stroker;
    stroker.setWidth(16);
    stroker.setJoinStyle(Qt::RoundJoin);
    const QPainterPath inner = shape.subtracted(stroker.createStroke(shape)).simplified();
    QPen stitchShadow(QColor(20, 8, 0, 120), 1.8, Qt::CustomDashLine, Qt::RoundCap);
    stitchShadow.setDashPattern({2.2, 2.0});
    p.setPen(stitchShadow);
    p.drawPath(inner.translated(0.6, 0.9));
    QPen stitch(pal::STITCH, 1.4, Qt::CustomDashLine, Qt::RoundCap);
    stitch.setDashPattern({2.6, 1.9});
    p.setPen(stitch);
    p.drawPath(inner);
}

void DrawPage(QPainter& p) {
    // The paper page that holds the three columns and the panels.
    const QRectF page(51, 44, 457, 278);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 8, 0, 90));
    p.drawRoundedRect(page.adjusted(-2, -2, 2, 3), 7, 7);
    QLinearGradient paper(0, page.top(), 0, page.bottom());
    paper.setColorAt(0, pal::PAPER);
    paper.setColorAt(1, pal::PAPER_WARM);
    p.setBrush(paper);
    p.drawRoundedRect(page, 5, 5);
    InsetShadow(p, page, 5, 4, 70);
    // Short rules above and below each column mark where the lists sit.
    p.setPen(QPen(pal::PAPER_SHADE, 2.0, Qt::SolidLine, Qt::FlatCap));
    for (int id : {IDC_LIST1, IDC_LIST2, IDC_LIST3}) {
        const CControlRect& r = Place(id);
        const double x0 = r.m_x, x1 = r.m_x + r.m_w;
        p.drawLine(QPointF(x0 + 2, r.m_y - 3), QPointF(x1 - 2, r.m_y - 3));
        p.drawLine(QPointF(x0 + 2, r.m_y + r.m_h + 4), QPointF(x1 - 2, r.m_y + r.m_h + 4));
    }
}

void DrawRibbon(QPainter& p) {
    // A ribbon marker hanging from the page.
    QPainterPath ribbon;
    ribbon.moveTo(476, 318);
    ribbon.lineTo(490, 318);
    ribbon.lineTo(490, 338);
    ribbon.lineTo(483, 333);
    ribbon.lineTo(476, 338);
    ribbon.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 8, 0, 80));
    p.drawPath(ribbon.translated(1, 1));
    QLinearGradient g(476, 0, 490, 0);
    g.setColorAt(0, pal::BLUE);
    g.setColorAt(0.5, pal::BLUE_LIGHT);
    g.setColorAt(1, pal::BLUE_DARK);
    p.setBrush(g);
    p.drawPath(ribbon);
}

void DrawRail(QPainter& p) {
    // The address rail: a recessed slot for the address box with Go and Sel.
    const QRectF slot(165, 339, 349, 38);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 12, 4, 150));
    p.drawRoundedRect(slot, 8, 8);
    InsetShadow(p, slot, 8, 3, 120);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 225, 180, 50), 1.0));
    p.drawLine(QPointF(slot.left() + 8, slot.bottom() + 0.5),
               QPointF(slot.right() - 8, slot.bottom() + 0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(pal::PAPER);
    const CControlRect& box = Place(IDC_ADDRESS);
    p.drawRect(QRectF(box.m_x, box.m_y, box.m_w, box.m_h));
}

void DrawDialSeat(QPainter& p) {
    // The dial's seat: a brass ring around a deep blue base.
    p.setBrush(QColor(20, 8, 0, 110));
    p.drawEllipse(DIAL_CENTRE + QPointF(0.5, 1.5), DIAL_R + 5, DIAL_R + 5);
    QLinearGradient ring(0, DIAL_CENTRE.y() - DIAL_R, 0, DIAL_CENTRE.y() + DIAL_R);
    ring.setColorAt(0, pal::BRASS_LIGHT);
    ring.setColorAt(0.5, pal::BRASS);
    ring.setColorAt(1, pal::BRASS_DARK);
    p.setBrush(ring);
    p.drawEllipse(DIAL_CENTRE, DIAL_R + 4, DIAL_R + 4);
    p.setBrush(pal::RIM);
    p.drawEllipse(DIAL_CENTRE, DIAL_R + 2.2, DIAL_R + 2.2);
    p.setBrush(pal::BLUE_DEEP);
    p.drawEllipse(DIAL_CENTRE, DIAL_R + 1.2, DIAL_R + 1.2);
}

void DrawTitlePlate(QPainter& p) {
    // The title plate.
    const QRectF plate(189, 6, 180, 37);
    p.setBrush(QColor(20, 8, 0, 120));
    p.drawRoundedRect(plate.adjusted(-1, -1, 1, 2), 9, 9);
    p.setBrush(pal::LEATHER_DARK);
    p.drawRoundedRect(plate, 8, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal::BRASS, 1.0));
    p.drawRoundedRect(plate.adjusted(2.5, 2.5, -2.5, -2.5), 6, 6);
}

// The cover as a bitmap: pixels outside the shape take the key colour, and
// a pixel of the cover that happens to be the key colour is nudged off it.
QImage CutOut(const QImage& img, const QPainterPath& shape) {
    // Hard outline: a pixel belongs to the window when the outline covers half of it.
    QImage cover = NewImage(MAIN_W, MAIN_H, QImage::Format_Alpha8);
    cover.fill(0);
    {
        QPainter m(&cover);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::black);
        m.drawPath(shape);
    }
    QImage out = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const uchar* a = cover.constScanLine(y);
        for (int x = 0; x < out.width(); ++x) {
            if (a[x] < 128)
                line[x] = KEY;
            else if (line[x] == KEY)
                line[x] = 0xFFFE0000u;
        }
    }
    return out;
}

QImage DrawCover(const std::vector<CPiece>& pieces) {
    const QPainterPath shape = Silhouette();
    QImage img = NewImage(MAIN_W, MAIN_H, QImage::Format_ARGB32_Premultiplied);
    img.fill(pal::RIM);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient leather(0, 0, 0, MAIN_H);
        leather.setColorAt(0, pal::LEATHER_LIGHT);
        leather.setColorAt(0.45, pal::LEATHER);
        leather.setColorAt(1, pal::LEATHER_DARK);
        p.setPen(Qt::NoPen);
        p.setBrush(leather);
        p.drawPath(shape);
    }
    Grain(img, img.rect());
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    DrawOutline(p, shape);
    DrawPage(p);
    DrawRibbon(p);
    DrawRail(p);
    DrawDialSeat(p);
    DrawTitlePlate(p);
    // Seats for the round keys.
    for (const CPiece& piece : pieces) {
        if (piece.m_round) {
            const double r = std::min(piece.m_w, piece.m_h) / 2.0 - 0.5;
            Socket(p, QPointF(piece.m_x + piece.m_w / 2.0, piece.m_y + piece.m_h / 2.0), r);
        }
    }
    p.end();
    return CutOut(img, shape);
}

// Paints a piece onto the part of the cover beneath it and cuts it out.
QImage DrawPiece(const CPiece& piece, const QImage& cover) {
    QImage layer = NewLayer(piece.m_w, piece.m_h);
    {
        QPainter p(&layer);
        piece.m_draw(p, piece.m_w, piece.m_h);
    }
    QImage out = cover
                     .copy(piece.m_x * g_scale, piece.m_y * g_scale, piece.m_w * g_scale,
                           piece.m_h * g_scale)
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(g_scale);
    {
        QPainter p(&out);
        p.drawImage(0, 0, layer);
    }
    out = out.convertToFormat(QImage::Format_RGB32);
    const int threshold = piece.m_kind == EKind::Label ? 20 : 128;
    const QRect keep = piece.m_keep.isEmpty() ? QRect(0, 0, piece.m_w, piece.m_h) : piece.m_keep;
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const QRgb* a = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const bool inside =
                piece.m_kind == EKind::Solid ||
                (qAlpha(a[x]) >= threshold && keep.contains(x / g_scale, y / g_scale));
            if (!inside)
                line[x] = KEY;
            else if (line[x] == KEY)
                line[x] = 0xFFFE0000u;
        }
    }
    return out;
}

bool Opaque(const QImage& img, int x, int y) {
    return (img.pixel(x, y) & 0xFFFFFF) != (KEY & 0xFFFFFF);
}

// Checks that every kept pixel lies on the visible cover and that no two
// pieces keep the same pixel.
bool CheckLayout(const std::vector<CPiece>& pieces, const std::vector<QImage>& images,
                 const QImage& cover) {
    bool ok = true;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const CPiece& a = pieces[i];
        for (int y = 0; y < a.m_h; ++y)
            for (int x = 0; x < a.m_w; ++x)
                if (Opaque(images[i], x, y) && !Opaque(cover, a.m_x + x, a.m_y + y)) {
                    std::fprintf(stderr, "%s: pixel (%d, %d) lies outside the cover\n", a.m_name, x,
                                 y);
                    ok = false;
                }
        for (size_t j = i + 1; j < pieces.size(); ++j) {
            const CPiece& b = pieces[j];
            const QRect common =
                QRect(a.m_x, a.m_y, a.m_w, a.m_h).intersected(QRect(b.m_x, b.m_y, b.m_w, b.m_h));
            if (common.isEmpty())
                continue;
            if ((a.m_panels & b.m_panels) == 0)
                continue; // never shown together
            for (int y = common.top(); y <= common.bottom(); ++y)
                for (int x = common.left(); x <= common.right(); ++x)
                    if (Opaque(images[i], x - a.m_x, y - a.m_y) &&
                        Opaque(images[j], x - b.m_x, y - b.m_y)) {
                        std::fprintf(stderr, "%s and %s both keep pixel (%d, %d)\n", a.m_name,
                                     b.m_name, x, y);
                        ok = false;
                    }
        }
    }
    return ok;
}

// ---------------------------------------------------------------------------
// The notebook with a padlock: the dock tile and the program icon.

// The notebook's parts on its 40-unit grid.
void DrawNotebookPages(QPainter& p) {
    // Pages seen from the side.
    p.setPen(Qt::NoPen);
    p.setBrush(pal::PAPER_SHADE);
    p.drawRoundedRect(QRectF(10, 5, 23, 30), 2.5, 2.5);
    p.setBrush(pal::PAPER);
    p.drawRoundedRect(QRectF(10, 5.5, 22, 28.5), 2, 2);
    p.setPen(QPen(pal::PAPER_SHADE, 0.6));
    for (double y = 9; y < 33; y += 3)
        p.drawLine(QPointF(29.5, y), QPointF(31.8, y));
}

void DrawNotebookCover(QPainter& p) {
    // Cover.
    p.setPen(QPen(pal::RIM, 1.0));
    QLinearGradient cover(0, 4, 0, 34);
    cover.setColorAt(0, pal::LEATHER_LIGHT);
    cover.setColorAt(1, pal::LEATHER_DARK);
    p.setBrush(cover);
    p.drawRoundedRect(QRectF(6.5, 4.5, 22, 29), 2.5, 2.5);
    p.setBrush(pal::LEATHER_DARK);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(7, 5, 3.2, 28));
    QPen st(pal::STITCH, 0.7, Qt::CustomDashLine);
    st.setDashPattern({1.6, 1.4});
    p.setPen(st);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(11.5, 6.8, 15, 24.6), 1.2, 1.2);
    // Ribbon.
    p.setPen(Qt::NoPen);
    p.setBrush(pal::BLUE_LIGHT);
    QPainterPath ribbon;
    ribbon.moveTo(21, 33);
    ribbon.lineTo(24, 33);
    ribbon.lineTo(24, 38);
    ribbon.lineTo(22.5, 36.6);
    ribbon.lineTo(21, 38);
    ribbon.closeSubpath();
    p.drawPath(ribbon);
}

void DrawPadlock(QPainter& p) {
    // Padlock.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal::RIM, 3.4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(22.5, 15, 9, 11), 0, 180 * 16);
    p.drawLine(QPointF(22.5, 20.5), QPointF(22.5, 23));
    p.drawLine(QPointF(31.5, 20.5), QPointF(31.5, 23));
    p.setPen(QPen(pal::BRASS_LIGHT, 1.8, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(22.5, 15, 9, 11), 0, 180 * 16);
    p.drawLine(QPointF(22.5, 20.5), QPointF(22.5, 23));
    p.drawLine(QPointF(31.5, 20.5), QPointF(31.5, 23));
    QLinearGradient body(0, 22, 0, 33);
    body.setColorAt(0, pal::BRASS_LIGHT);
    body.setColorAt(0.5, pal::BRASS);
    body.setColorAt(1, pal::BRASS_DARK);
    p.setPen(QPen(pal::RIM, 1.0));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(19.5, 22.5, 15, 11), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::RIM);
    p.drawEllipse(QPointF(27, 26.8), 1.5, 1.5);
    p.drawRect(QRectF(26.4, 27.5, 1.2, 3.2));
}

void DrawNotebook(QPainter& p, const QRectF& box) {
    const double s = box.width() / 40.0; // drawn on a 40-unit grid
    p.save();
    p.translate(box.topLeft());
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing);
    DrawNotebookPages(p);
    DrawNotebookCover(p);
    DrawPadlock(p);
    p.restore();
}

QImage DrawDockTile() {
    QImage img = NewImage(40, 40, QImage::Format_ARGB32_Premultiplied);
    img.fill(pal::RIM);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 40);
        g.setColorAt(0, pal::ESPRESSO_LIGHT);
        g.setColorAt(1, pal::ESPRESSO);
        p.setPen(QPen(pal::BRASS, 1.0));
        p.setBrush(g);
        p.drawRect(QRectF(0.5, 0.5, 39, 39));
        p.setPen(QPen(QColor(255, 230, 190, 40), 1.0));
        p.drawLine(QPointF(1.5, 1.5), QPointF(38.5, 1.5));
        DrawNotebook(p, QRectF(0, 0, 40, 40));
    }
    QImage out = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (out.pixel(x, y) == KEY)
                out.setPixel(x, y, 0xFFFE0000u);
    return out;
}

QImage DrawIcon(int size) {
    QImage img = NewLayer(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // The notebook covers x 6..35 and y 4..38.5 of its grid: centre that part.
    const double scale = size * 0.94 / 34.5;
    const QPointF origin(size / 2.0 - 20.5 * scale, size / 2.0 - 21.25 * scale);
    DrawNotebook(p, QRectF(origin, QSizeF(40 * scale, 40 * scale)));
    return img;
}

bool SaveBmp(const QImage& img, const QString& path) {
    return img.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

QImage Composite(const QImage& cover, const std::vector<CPiece>& pieces,
                 const std::vector<QImage>& images, const QStringList& names) {
    QImage out = cover.copy();
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (!names.contains(pieces[i].m_name))
            continue;
        for (int y = 0; y < pieces[i].m_h; ++y)
            for (int x = 0; x < pieces[i].m_w; ++x)
                if (Opaque(images[i], x, y))
                    out.setPixel(pieces[i].m_x + x, pieces[i].m_y + y, images[i].pixel(x, y));
    }
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (!Opaque(out, x, y))
                out.setPixel(x, y, qRgb(0x8f, 0xa3, 0xb5)); // a plain desktop behind the window
    return out;
}

void Fill(QImage& img, const QRect& r, QColor c) {
    QPainter p(&img);
    p.fillRect(r, c);
    p.setPen(QColor(0x9a, 0x8a, 0x70));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

// The window as a panel shows it: its bitmaps on the cover, and plain boxes
// where the lists and edit boxes sit.
QImage PanelPreview(const QImage& cover, const std::vector<CPiece>& pieces,
                    const std::vector<QImage>& images, EPanel panel) {
    QStringList names;
    for (const CPiece& piece : pieces)
        if (piece.m_panels & (1u << static_cast<unsigned>(panel)))
            names << piece.m_name;
    QImage out = Composite(cover, pieces, images, names);
    for (const CControl& row : CONTROLS) {
        if (HasBitmap(row) || row.m_kind == EControlKind::Text || row.m_rect.IsEmpty() ||
            !CanShowIn(row, panel))
            continue;
        const QColor colour =
            row.m_kind == EControlKind::List ? QColor(0xff, 0xfd, 0xf6) : QColor(Qt::white);
        Fill(out, QRect(row.m_rect.m_x, row.m_rect.m_y, row.m_rect.m_w, row.m_rect.m_h), colour);
    }
    return out;
}

// Every button in its normal, hover and pressed look, on the cover beneath it.
QImage StatesPreview(const QImage& cover, const std::vector<CPiece>& pieces,
                     const std::vector<QImage>& images) {
    QImage states(3 * 100, static_cast<int>(pieces.size()) * 180, QImage::Format_RGB32);
    states.fill(qRgb(0x8f, 0xa3, 0xb5));
    int top = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const CPiece& piece = pieces[i];
        if (piece.m_kind == EKind::Label || piece.m_w > 60)
            continue;
        for (int k = 0; k < 3; ++k) {
            const double gamma = k == 0 ? 1.0 : k == 1 ? 0.8 : 1.4;
            const auto g = [gamma](int v) {
                return static_cast<int>(std::trunc(255.0 * std::pow(v / 255.0, gamma)));
            };
            QImage look = cover.copy(piece.m_x, piece.m_y, piece.m_w, piece.m_h);
            for (int y = 0; y < piece.m_h; ++y)
                for (int x = 0; x < piece.m_w; ++x) {
                    const QRgb c = images[i].pixel(x, y);
                    if (Opaque(images[i], x, y))
                        look.setPixel(x, y, qRgb(g(qRed(c)), g(qGreen(c)), g(qBlue(c))));
                }
            QPainter p(&states);
            p.drawImage(QPoint(k * 100 + 4, top + 2), look.scaled(look.size() * 2));
        }
        top += piece.m_h * 2 + 6;
    }
    return states.copy(0, 0, states.width(), top);
}

bool WritePreviews(const QString& dir, const QImage& cover, const std::vector<CPiece>& pieces,
                   const std::vector<QImage>& images) {
    QDir().mkpath(dir);
    const QImage main = PanelPreview(cover, pieces, images, EPanel::Main);
    const QImage options = PanelPreview(cover, pieces, images, EPanel::Options);
    bool ok = main.save(dir + "/main.png");
    ok = options.save(dir + "/options.png") && ok;
    ok = PanelPreview(cover, pieces, images, EPanel::Prompt).save(dir + "/prompt.png") && ok;
    ok = PanelPreview(cover, pieces, images, EPanel::About).save(dir + "/about.png") && ok;
    ok = DrawDockTile().scaled(160, 160).save(dir + "/dock-x4.png") && ok;
    ok = StatesPreview(cover, pieces, images).save(dir + "/states.png") && ok;
    const struct {
        const char* m_name;
        QRect m_area;
        const QImage& m_from;
    } zooms[] = {
        {"zoom-dial", QRect(62, 326, 110, 110), main},
        {"zoom-left", QRect(0, 180, 76, 186), main},
        {"zoom-right", QRect(494, 190, 62, 134), main},
        {"zoom-rail", QRect(420, 334, 100, 46), main},
        {"zoom-title", QRect(180, 0, 200, 56), main},
        {"zoom-options", QRect(100, 100, 200, 120), options},
    };
    for (const auto& z : zooms)
        ok = z.m_from.copy(z.m_area)
                 .scaled(z.m_area.size() * 4)
                 .save(dir + "/" + z.m_name + ".png") &&
             ok;
    return DrawIcon(256).save(dir + "/icon.png") && ok;
}

bool WriteResources(const QString& resDir, const QImage& cover, const std::vector<CPiece>& pieces,
                    const std::vector<QImage>& images) {
    const QString bitmaps = resDir + "/bitmaps";
    const QString icons = resDir + "/icons";
    QDir().mkpath(bitmaps);
    QDir().mkpath(icons);
    bool ok = SaveBmp(cover, bitmaps + "/MainWnd.bmp");
    ok = SaveBmp(DrawDockTile(), bitmaps + "/DockWin.bmp") && ok;
    for (size_t i = 0; i < pieces.size(); ++i)
        ok = SaveBmp(images[i], bitmaps + "/" + pieces[i].m_name + ".bmp") && ok;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        ok = DrawIcon(size).save(QString("%1/quillbox-%2.png").arg(icons).arg(size)) && ok;
    return ok;
}

// The large bitmap keeps exactly the small one's key pixels, each as two by
// two: the window's and each button's shape come from the small bitmap, so a
// pixel cut away in the large one alone would show as a hole, and one kept in
// it alone would show past the shape. Such a pixel takes the small one's colour.
QImage MatchKeyPixels(const QImage& large, const QImage& small) {
    QImage out = large.convertToFormat(QImage::Format_RGB32);
    const int scale = out.width() / small.width();
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb below = small.pixel(x / scale, y / scale);
            if ((below & 0xFFFFFFu) == (KEY & 0xFFFFFFu))
                line[x] = KEY;
            else if (line[x] == KEY)
                line[x] = below;
        }
    }
    return out;
}

// Every bitmap again at twice the size, as "<Name>@2x.png" beside the small
// one, for screens scaled to 200 % (or 150 %, scaled down from there).
bool WriteLargeBitmaps(const QString& resDir, const QImage& cover,
                       const std::vector<CPiece>& pieces, const std::vector<QImage>& images) {
    const QString bitmaps = resDir + "/bitmaps";
    const QImage smallDock = DrawDockTile();
    g_scale = 2;
    const QImage largeCover = DrawCover(pieces);
    bool ok = MatchKeyPixels(largeCover, cover).save(bitmaps + "/MainWnd@2x.png");
    ok = MatchKeyPixels(DrawDockTile(), smallDock).save(bitmaps + "/DockWin@2x.png") && ok;
    for (size_t i = 0; i < pieces.size(); ++i)
        ok = MatchKeyPixels(DrawPiece(pieces[i], largeCover), images[i])
                 .save(bitmaps + "/" + pieces[i].m_name + "@2x.png") &&
             ok;
    g_scale = 1;
    return ok;
}

bool LoadFonts() {
    const int sans =
        QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    const int serif = QFontDatabase::addApplicationFont(
        "/usr/share/fonts/truetype/dejavu/DejaVuSerif-BoldItalic.ttf");
    QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf");
    if (sans < 0 || serif < 0) {
        std::fprintf(stderr, "the DejaVu fonts are needed (fonts-dejavu-core)\n");
        return false;
    }
    g_sans = QFontDatabase::applicationFontFamilies(sans).value(0);
    g_serif = QFontDatabase::applicationFontFamilies(serif).value(0);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString resDir = QStringLiteral(QB_RES_DIR);
    QString previewDir;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size())
            resDir = args[++i];
        else if (args[i] == "--preview" && i + 1 < args.size())
            previewDir = args[++i];
        else {
            std::fprintf(stderr, "usage: qb_drawskins [--out <res folder>] [--preview <folder>]\n");
            return 2;
        }
    }
    if (!LoadFonts())
        return 1;

    const std::vector<CPiece> pieces = Pieces();
    if (pieces.empty())
        return 1;
    const QImage cover = DrawCover(pieces);
    std::vector<QImage> images;
    images.reserve(pieces.size());
    for (const CPiece& piece : pieces)
        images.push_back(DrawPiece(piece, cover));
    if (!CheckLayout(pieces, images, cover))
        return 1;

    bool ok = WriteResources(resDir, cover, pieces, images);
    ok = WriteLargeBitmaps(resDir, cover, pieces, images) && ok;
    if (!previewDir.isEmpty())
        ok = WritePreviews(previewDir, cover, pieces, images) && ok;
    if (!ok) {
        std::fprintf(stderr, "could not write every file under %s\n", qPrintable(resDir));
        return 1;
    }
    return 0;
}
