// SPDX-License-Identifier: MIT
#include "skin/WindowSkin.h"

#include "skin/BitmapResource.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Fixture bitmaps drawn as text: 'K' the key colour, '.' grey, 'a' RGB(254, 0, 0), 'b' RGB(255, 0,
// 1).
QImage Picture(const std::vector<std::string>& rows) {
    QImage image(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()),
                 QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QRgb c = qRgb(128, 128, 128);
            switch (rows[static_cast<size_t>(y)][static_cast<size_t>(x)]) {
            case 'K':
                c = qRgb(255, 0, 0);
                break;
            case 'a':
                c = qRgb(254, 0, 0);
                break;
            case 'b':
                c = qRgb(255, 0, 1);
                break;
            default:
                break;
            }
            image.setPixel(x, y, c);
        }
    }
    return image;
}

struct CRegionCase {
    const char* m_name;
    std::vector<std::string> m_rows;
    std::vector<QRect> m_expected; // united to give the expected region
};

class RegionTest : public ::testing::TestWithParam<CRegionCase> {};

TEST_P(RegionTest, IsTheUnionOfTheRunsOfNonKeyPixels) {
    const CRegionCase& c = GetParam();
    QRegion expected;
    for (const QRect& r : c.m_expected)
        expected += r;
    const QRegion region = CWindowSkin::BuildRegion(Picture(c.m_rows));
    EXPECT_TRUE(region.xored(expected).isEmpty()) << c.m_name;
    EXPECT_EQ(region, expected) << c.m_name; // also the same banded rectangles QRegion keeps
}

const CRegionCase REGION_CASES[] = {
    {"no key pixels gives the whole rectangle", {"....", "....", "...."}, {QRect(0, 0, 4, 3)}},
    {"runs touching the left and the right edge",
     {"..KK..", "K....K"},
     {QRect(0, 0, 2, 1), QRect(4, 0, 2, 1), QRect(1, 1, 4, 1)}},
    {"a row of key pixels adds nothing",
     {"...", "KKK", "..."},
     {QRect(0, 0, 3, 1), QRect(0, 2, 3, 1)}},
    {"only key pixels gives an empty region", {"KK", "KK"}, {}},
    {"colours next to the key are opaque",
     {"KabK", "aKKb"},
     {QRect(1, 0, 2, 1), QRect(0, 1, 1, 1), QRect(3, 1, 1, 1)}},
    {"equal rows merge, other rows do not",
     {"K..K", "K..K", ".K.K", "...."},
     {QRect(1, 0, 2, 2), QRect(0, 2, 1, 1), QRect(2, 2, 1, 1), QRect(0, 3, 4, 1)}},
    {"single pixel runs alternate",
     {"K.K.K."},
     {QRect(1, 0, 1, 1), QRect(3, 0, 1, 1), QRect(5, 0, 1, 1)}},
};

INSTANTIATE_TEST_SUITE_P(Fixtures, RegionTest, ::testing::ValuesIn(REGION_CASES));

// Which pixels of a region, as a flat array, without a per-pixel search.
std::vector<char> Coverage(const QRegion& region, int width, int height) {
    std::vector<char> inside(static_cast<size_t>(width) * height, 0);
    for (const QRect& r : region)
        for (int y = std::max(0, r.top()); y <= std::min(height - 1, r.bottom()); ++y)
            for (int x = std::max(0, r.left()); x <= std::min(width - 1, r.right()); ++x)
                inside[static_cast<size_t>(y) * width + x] = 1;
    return inside;
}

TEST(WindowSkin, MainSkinGivesItsSizeAndMasksExactlyTheKeyPixels) {
    const QImage image = LoadBitmapResource("MainWnd");
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(556, 452));

    QWidget window;
    window.resize(100, 80);
    CWindowSkin skin;
    ASSERT_EQ(skin.Load(&window, "mainwnd"), 1); // any case finds it
    EXPECT_EQ(window.size(), QSize(556, 452));
    EXPECT_EQ(skin.GetWidth(), 556);
    EXPECT_EQ(skin.GetHeight(), 452);
    EXPECT_EQ(skin.HitTest(), 2);

    const std::vector<char> inside = Coverage(window.mask(), 556, 452);
    int keyPixels = 0;
    int wrong = 0;
    for (int y = 0; y < 452; ++y) {
        for (int x = 0; x < 556; ++x) {
            const bool key = IsKeyPixel(image.pixel(x, y));
            keyPixels += key;
            wrong += key == (inside[static_cast<size_t>(y) * 556 + x] != 0);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(keyPixels, 0); // the outline is irregular
}

TEST(WindowSkin, DockSkinHasNoKeyPixelsAndMasksNothingAway) {
    QWidget window;
    CWindowSkin skin;
    ASSERT_EQ(skin.Load(&window, "DOCKWIN"), 1);
    EXPECT_EQ(window.size(), QSize(40, 40));
    EXPECT_EQ(window.mask(), QRegion(0, 0, 40, 40));
}

TEST(WindowSkin, MissingBitmapLeavesTheWindowRectangularAtItsOwnSize) {
    QWidget window;
    window.resize(120, 90);
    CWindowSkin skin;
    EXPECT_EQ(skin.Load(&window, "NoSuchSkin"), 0);
    EXPECT_EQ(window.size(), QSize(120, 90));
    EXPECT_TRUE(window.mask().isEmpty());
    EXPECT_EQ(skin.GetWidth(), 0);
    EXPECT_EQ(skin.GetHeight(), 0);
    EXPECT_TRUE(skin.GetBitmap().isNull());
}

TEST(WindowSkin, PaintCopiesTheBitmap) {
    QWidget window;
    CWindowSkin skin;
    ASSERT_EQ(skin.Load(&window, "MainWnd"), 1);
    QImage canvas(556, 452, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter dc(&canvas);
        skin.Paint(dc);
    }
    EXPECT_EQ(canvas, LoadBitmapResource("MainWnd"));
}

// A platform that cuts no window to a mask (native Wayland): the window is
// transparent, and the key colour around the shape is never painted.
TEST(WindowSkin, WithoutMasksTheKeyColourIsLeftTransparent) {
    CWindowSkin::SetPlacesWindows(false);
    QWidget window;
    CWindowSkin skin;
    ASSERT_EQ(skin.Load(&window, "MainWnd"), 1);
    CWindowSkin::SetPlacesWindows(std::nullopt);
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(window.mask().isEmpty());
    QImage canvas(556, 452, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter dc(&canvas);
        skin.Paint(dc);
    }
    const QImage image = LoadBitmapResource("MainWnd");
    int wrong = 0;
    for (int y = 0; y < 452; ++y)
        for (int x = 0; x < 556; ++x)
            wrong += IsKeyPixel(image.pixel(x, y)) ? qAlpha(canvas.pixel(x, y)) != 0
                                                   : canvas.pixel(x, y) != image.pixel(x, y);
    EXPECT_EQ(wrong, 0);
}

// Sends a mouse event straight to the window, as the platform would after a
// press on a visible point of it.
void SendMouse(QWidget& w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPointF global = w.mapToGlobal(QPointF(local));
    QMouseEvent e(type, QPointF(local), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// A window that counts the double clicks that reach it.
class CDoubleClickWindow final : public QWidget {
public:
    CDoubleClickWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {}
    int m_nDoubleClicks = 0;

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { ++m_nDoubleClicks; }
};

TEST(WindowSkin, PressingTheSkinAndMovingDragsTheWindow) {
    CDoubleClickWindow window;
    CWindowSkin skin;
    ASSERT_EQ(skin.Load(&window, "MainWnd"), 1);
    window.move(40, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();

    SendMouse(window, QEvent::MouseButtonPress, QPoint(300, 400), Qt::LeftButton);
    SendMouse(window, QEvent::MouseMove, QPoint(325, 390), Qt::LeftButton);
    SendMouse(window, QEvent::MouseButtonRelease, QPoint(325, 390), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(25, -10));

    // Moving without the button held does not move it any more.
    SendMouse(window, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(25, -10));

    // A double click stays a double click for the window (the dock window
    // returns to the main window on one).
    SendMouse(window, QEvent::MouseButtonPress, QPoint(300, 400), Qt::LeftButton);
    SendMouse(window, QEvent::MouseButtonRelease, QPoint(300, 400), Qt::NoButton);
    SendMouse(window, QEvent::MouseButtonDblClick, QPoint(300, 400), Qt::LeftButton);
    SendMouse(window, QEvent::MouseButtonRelease, QPoint(300, 400), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(25, -10));
    EXPECT_EQ(window.m_nDoubleClicks, 1);
}

} // namespace
