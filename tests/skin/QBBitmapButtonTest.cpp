// SPDX-License-Identifier: MIT
#include "skin/QBBitmapButton.h"

#include "skin/BitmapResource.h"
#include "skin/WindowSkin.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct CGammaCase {
    int m_value;
    int m_pressed; // gamma 1.4, darker
    int m_hover;   // gamma 0.8, lighter
};

class GammaTest : public ::testing::TestWithParam<CGammaCase> {};

TEST_P(GammaTest, DerivedImagesMapEachColourByte) {
    const CGammaCase& c = GetParam();
    EXPECT_EQ(CQBBitmapButton::ApplyGamma(c.m_value, CQBBitmapButton::PRESSED_GAMMA), c.m_pressed)
        << c.m_value;
    EXPECT_EQ(CQBBitmapButton::ApplyGamma(c.m_value, CQBBitmapButton::HOVER_GAMMA), c.m_hover)
        << c.m_value;
}

const CGammaCase GAMMA_CASES[] = {
    {0, 0, 0}, {255, 255, 255}, {128, 97, 146}, {64, 36, 84}, {1, 0, 3}};

INSTANTIATE_TEST_SUITE_P(Table, GammaTest, ::testing::ValuesIn(GAMMA_CASES));

// A skinned window with bitmap buttons, shown offscreen, the way the main
// window sets them up: text and place first, labels disabled, then Init.
class ButtonFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        m_window->move(20, 20);
    }

    CQBBitmapButton* Add(const char* name, int id, QPoint at, bool label = false) {
        auto* button = new CQBBitmapButton(m_window.get());
        button->setText(name);
        button->move(at);
        button->setEnabled(!label);
        EXPECT_EQ(button->Init(id, &m_skin, m_window.get()), 1) << name;
        return button;
    }

    void Show() {
        EXPECT_EQ(m_skin.Load(m_window.get(), "MainWnd"), 1);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    std::unique_ptr<QWidget> m_window;
    CWindowSkin m_skin;
};

TEST_F(ButtonFixture, InitTakesTheBitmapsSizeNameAndPlace) {
    CQBBitmapButton* go = Add("BtnGo", 2005, QPoint(439, 343));
    CQBBitmapButton* title = Add("btnTitle", 2009, QPoint(196, 10));
    EXPECT_EQ(go->size(), QSize(32, 30));
    EXPECT_EQ(title->size(), QSize(166, 35));
    EXPECT_EQ(go->objectName(), "BtnGo");
    EXPECT_EQ(go->GetDlgCtrlID(), 2005);
    EXPECT_EQ(go->GetPlaceInParent(), QRect(439, 343, 32, 30));
    EXPECT_STREQ(go->metaObject()->className(), "CQBBitmapButton");

    auto* missing = new CQBBitmapButton(m_window.get());
    missing->setText("BtnNoSuchThing");
    EXPECT_EQ(missing->Init(2099, &m_skin, m_window.get()), 0);
    CQBBitmapButton orphan;
    EXPECT_EQ(orphan.Init(2005, &m_skin, nullptr), 0);
}

TEST_F(ButtonFixture, KeyPixelsStayExactInEveryImage) {
    CQBBitmapButton* close = Add("BtnClose", 2000, QPoint(511, 206));
    using E = CQBBitmapButton::EImage;
    const QImage& normal = close->GetImage(E::Normal);
    ASSERT_EQ(normal, LoadBitmapResource("BtnClose"));
    int keys = 0;
    for (E which : {E::Pressed, E::Hover}) {
        const QImage& derived = close->GetImage(which);
        const double gamma =
            which == E::Pressed ? CQBBitmapButton::PRESSED_GAMMA : CQBBitmapButton::HOVER_GAMMA;
        for (int y = 0; y < normal.height(); ++y) {
            for (int x = 0; x < normal.width(); ++x) {
                const QRgb n = normal.pixel(x, y);
                const QRgb d = derived.pixel(x, y);
                if (IsKeyPixel(n)) {
                    ++keys;
                    ASSERT_EQ(d & 0xFFFFFF, 0xFF0000u) << x << "," << y;
                } else {
                    ASSERT_EQ(qRed(d), CQBBitmapButton::ApplyGamma(qRed(n), gamma));
                    ASSERT_EQ(qBlue(d), CQBBitmapButton::ApplyGamma(qBlue(n), gamma));
                }
            }
        }
    }
    EXPECT_GT(keys, 0);
    EXPECT_FALSE(close->GetShape().contains(QPoint(0, 0)));
    EXPECT_TRUE(close->GetShape().contains(QPoint(16, 16)));
}

TEST_F(ButtonFixture, ABitmapWithoutKeyPixelsIsHitEverywhere) {
    CQBBitmapButton* rename = Add("BtnRen", 2015, QPoint(100, 366));
    EXPECT_EQ(rename->GetShape(), QRegion(0, 0, 34, 35));
}

TEST_F(ButtonFixture, APressInAKeyCornerIsSwallowed) {
    CQBBitmapButton* close = Add("BtnClose", 2000, QPoint(511, 206));
    CQBBitmapButton* mini = Add("BtnMini", 2001, QPoint(511, 249));
    Show();
    mini->setFocus();
    const QPoint windowPos = m_window->pos();
    QSignalSpy clicks(close, &QAbstractButton::clicked);

    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(m_window->focusWidget(), mini);
    EXPECT_FALSE(close->isDown());
    EXPECT_EQ(m_window->pos(), windowPos); // nor does it reach the window

    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(m_window->focusWidget(), close);
}

// Pointer moves reach the widgets through the platform, on some platforms
// only after a while: wait for the state that a move should bring.
bool WaitForImage(const CQBBitmapButton* button, CQBBitmapButton::EImage image) {
    return QTest::qWaitFor([&] { return button->GetCurrentImage() == image; }, 2000);
}

TEST_F(ButtonFixture, HoverIsEnteredOnceAndLeftWithTheShape) {
    using E = CQBBitmapButton::EImage;
    CQBBitmapButton* go = Add("BtnGo", 2005, QPoint(439, 343));
    Show();
    QTest::mouseMove(m_window.get(), QPoint(200, 200));
    EXPECT_EQ(go->GetCurrentImage(), E::Normal);

    QTest::mouseMove(go, QPoint(14, 15));
    ASSERT_TRUE(WaitForImage(go, E::Hover));
    EXPECT_EQ(QWidget::mouseGrabber(), go);
    QTest::mouseMove(go, QPoint(16, 14));
    QTest::qWait(20);
    EXPECT_EQ(go->GetCurrentImage(), E::Hover);
    EXPECT_TRUE(go->IsHovering());

    QTest::mousePress(go, Qt::LeftButton, {}, QPoint(16, 14));
    EXPECT_EQ(go->GetCurrentImage(), E::Pressed);
    QTest::mouseRelease(go, Qt::LeftButton, {}, QPoint(16, 14));
    EXPECT_EQ(go->GetCurrentImage(), E::Hover);

    // The right-hand columns of the tab are key pixels: outside the shape.
    QTest::mouseMove(go, QPoint(31, 15));
    ASSERT_TRUE(WaitForImage(go, E::Normal));
    EXPECT_FALSE(go->IsHovering());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(ButtonFixture, HidingOrDisablingAHoveredButtonLetsTheMouseGo) {
    using E = CQBBitmapButton::EImage;
    CQBBitmapButton* save = Add("BtnSave", 2017, QPoint(378, 262));
    Show();
    for (bool hide : {true, false}) {
        QTest::mouseMove(save, QPoint(24, 13));
        ASSERT_TRUE(WaitForImage(save, E::Hover));
        ASSERT_EQ(QWidget::mouseGrabber(), save);
        if (hide)
            save->hide();
        else
            save->setEnabled(false);
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_EQ(save->GetCurrentImage(), E::Normal);
        save->show();
        save->setEnabled(true);
        QTest::mouseMove(m_window.get(), QPoint(200, 200));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !save->IsHovering(); }, 2000));
    }
}

TEST_F(ButtonFixture, ALabelNeverChangesItsImage) {
    using E = CQBBitmapButton::EImage;
    CQBBitmapButton* label = Add("BtnPasswd", 2028, QPoint(147, 145), true);
    Show();
    QSignalSpy clicks(label, &QAbstractButton::clicked);
    for (QPoint at : {QPoint(40, 13), QPoint(70, 12), QPoint(2, 2)}) {
        QTest::mouseMove(label, at);
        EXPECT_EQ(label->GetCurrentImage(), E::Normal);
        QTest::mousePress(label, Qt::LeftButton, {}, at);
        EXPECT_EQ(label->GetCurrentImage(), E::Normal);
        QTest::mouseRelease(label, Qt::LeftButton, {}, at);
        EXPECT_EQ(label->GetCurrentImage(), E::Normal);
    }
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(ButtonFixture, PaintsTheSkinUnderItsKeyPixelsAndItsImageElsewhere) {
    using E = CQBBitmapButton::EImage;
    CQBBitmapButton* close = Add("BtnClose", 2000, QPoint(511, 206));
    Show();
    const QImage cover = LoadBitmapResource("MainWnd");
    auto shot = [&] { return close->grab().toImage().convertToFormat(QImage::Format_RGB32); };

    QImage picture = shot();
    const QImage& normal = close->GetImage(E::Normal);
    for (QPoint p : {QPoint(0, 0), QPoint(32, 0), QPoint(0, 32), QPoint(16, 16), QPoint(16, 2)}) {
        const QRgb expected =
            IsKeyPixel(normal.pixel(p)) ? cover.pixel(p + QPoint(511, 206)) : normal.pixel(p);
        EXPECT_EQ(picture.pixel(p) & 0xFFFFFF, expected & 0xFFFFFF) << p.x() << "," << p.y();
    }
    QTest::mouseMove(close, QPoint(16, 16));
    ASSERT_TRUE(WaitForImage(close, E::Hover));
    picture = shot();
    EXPECT_EQ(picture.pixel(16, 16) & 0xFFFFFF, close->GetImage(E::Hover).pixel(16, 16) & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(0, 0) & 0xFFFFFF, cover.pixel(511, 206) & 0xFFFFFF);
}

TEST(DrawTransparent, LeavesOutExactlyTheKeyColourAndRefusesEmptyRectangles) {
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(254, 0, 0));
    QImage dest(4, 2, QImage::Format_RGB32);
    dest.fill(qRgb(0, 0, 255));
    {
        QPainter dc(&dest);
        EXPECT_FALSE(
            CQBBitmapButton::DrawTransparent(dc, 0, 0, 0, 1, source, 0, 0, 2, 1, qRgb(255, 0, 0)));
        EXPECT_FALSE(
            CQBBitmapButton::DrawTransparent(dc, 0, 0, 2, 1, source, 0, 0, 2, -1, qRgb(255, 0, 0)));
        EXPECT_TRUE(
            CQBBitmapButton::DrawTransparent(dc, 0, 0, 2, 1, source, 0, 0, 2, 1, qRgb(255, 0, 0)));
        EXPECT_TRUE(
            CQBBitmapButton::DrawTransparent(dc, 0, 1, 4, 1, source, 0, 0, 2, 1, qRgb(255, 0, 0)));
    }
    EXPECT_EQ(dest.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(dest.pixel(1, 0), qRgb(254, 0, 0));
    EXPECT_EQ(dest.pixel(2, 0), qRgb(0, 0, 255));
    // Stretched to twice the width.
    EXPECT_EQ(dest.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(dest.pixel(2, 1), qRgb(254, 0, 0));
    EXPECT_EQ(dest.pixel(3, 1), qRgb(254, 0, 0));
}

} // namespace
