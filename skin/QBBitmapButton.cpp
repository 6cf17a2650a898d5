// SPDX-License-Identifier: MIT
#include "skin/QBBitmapButton.h"

#include "skin/BitmapResource.h"
#include "skin/WindowSkin.h"

#include <QMouseEvent>
#include <QPainter>
#include <array>
#include <cmath>

namespace {

using GammaTable = std::array<uchar, 256>;

GammaTable MakeGammaTable(double dGamma) {
    GammaTable table{};
    for (int v = 0; v < 256; ++v)
        table[static_cast<size_t>(v)] = static_cast<uchar>(CQBBitmapButton::ApplyGamma(v, dGamma));
    return table;
}

// The bitmap with every colour byte of every non-key pixel mapped through the
// table; key pixels stay exactly the key colour.
QImage Derive(const QImage& normal, const GammaTable& table) {
    QImage out = normal.copy();
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            if (IsKeyPixel(p))
                continue;
            line[x] = qRgba(table[qRed(p)], table[qGreen(p)], table[qBlue(p)], qAlpha(p));
        }
    }
    return out;
}

} // namespace

CQBBitmapButton::CQBBitmapButton(QWidget* pParent) : QAbstractButton(pParent) {
    // Every move reaches the button, as every mouse message reaches a window;
    // the button takes the focus itself, and only for presses inside its shape.
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
}

CQBBitmapButton::~CQBBitmapButton() {
    ReleaseGrab();
}

int CQBBitmapButton::ApplyGamma(int nValue, double dGamma) {
    return static_cast<int>(std::trunc(255.0 * std::pow(nValue / 255.0, dGamma)));
}

int CQBBitmapButton::Init(int nID, CWindowSkin* pBackground, QWidget* pParent) {
    if (!pParent)
        return 0;
    if (!parentWidget()) {
        const bool bHidden = isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
        setParent(pParent);
        if (!bHidden)
            show();
    } else if (parentWidget() != pParent) {
        return 0;
    }
    m_nID = nID;

    const QString strName = text().isEmpty() ? objectName() : text();
    if (objectName().isEmpty())
        setObjectName(strName);
    int nWidth = 0;
    int nHeight = 0;
    if (!LoadImages(strName, nWidth, nHeight, m_rgnShape))
        return 0;

    resize(nWidth, nHeight);
    m_rcPlace = geometry();
    m_pBackground = pBackground;
    return 1;
}

int CQBBitmapButton::LoadImages(const QString& strName, int& nWidth, int& nHeight,
                                QRegion& rgnShape) {
    m_imgNormal = QImage();
    m_imgPressed = QImage();
    m_imgHover = QImage();
    const QImage bitmap = LoadBitmapResource(strName);
    if (bitmap.isNull())
        return 0;

    static const GammaTable pressed = MakeGammaTable(PRESSED_GAMMA);
    static const GammaTable hover = MakeGammaTable(HOVER_GAMMA);
    m_imgNormal = bitmap;
    m_imgPressed = Derive(bitmap, pressed);
    m_imgHover = Derive(bitmap, hover);
    // The large pictures only where they fit the small one exactly.
    const QImage large = LoadLargeBitmapResource(strName);
    m_large = {};
    if (large.size() == bitmap.size() * 2)
        m_large = {large, Derive(large, pressed), Derive(large, hover)};

    nWidth = bitmap.width();
    nHeight = bitmap.height();
    rgnShape = CWindowSkin::BuildRegion(m_imgHover);
    update();
    return 1;
}

void CQBBitmapButton::DrawItem(QPainter& dc) {
    const int nWidth = m_rcPlace.width();
    const int nHeight = m_rcPlace.height();
    if (m_pBackground)
        m_pBackground->PaintPiece(dc, m_rcPlace);
    const std::size_t large = LargeIndex();
    if (large < m_large.size() && !m_large[large].isNull() && dc.device() &&
        dc.device()->devicePixelRatioF() > 1.0) {
        // The large picture, its key pixels left out, at the same logical size.
        QImage piece = m_large[large].convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < piece.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
            for (int x = 0; x < piece.width(); ++x)
                line[x] = IsKeyPixel(line[x]) ? 0u : (line[x] | 0xFF000000u);
        }
        piece.setDevicePixelRatio(2);
        dc.drawImage(QPointF(0, 0), piece);
    } else {
        DrawTransparent(dc, 0, 0, nWidth, nHeight, *m_pCurrent, 0, 0, nWidth, nHeight,
                        qRgb(255, 0, 0));
    }
    if (m_bKeyboardFocus && hasFocus()) {
        // The focus the keyboard gave: a dotted frame around the button's shape.
        dc.setPen(QPen(QColor(255, 255, 255), 1, Qt::DotLine));
        dc.setBrush(Qt::NoBrush);
        dc.drawRect(m_rgnShape.boundingRect().adjusted(0, 0, -1, -1));
    }
}

// NOLINTNEXTLINE(readability-function-size): the design's blit, two rectangles and a key colour
bool CQBBitmapButton::DrawTransparent(QPainter& dcDest, int nXDest, int nYDest, int nWidthDest,
                                      int nHeightDest, const QImage& imgSrc, int nXSrc, int nYSrc,
                                      int nWidthSrc, int nHeightSrc, QRgb crTransparent) {
    if (nWidthDest <= 0 || nHeightDest <= 0 || nWidthSrc <= 0 || nHeightSrc <= 0 || imgSrc.isNull())
        return false;
    QImage piece = imgSrc.copy(nXSrc, nYSrc, nWidthSrc, nHeightSrc)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (piece.isNull())
        return false;
    const QRgb key = crTransparent & 0xFFFFFFu;
    for (int y = 0; y < piece.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < piece.width(); ++x)
            line[x] = (line[x] & 0xFFFFFFu) == key ? 0u : (line[x] | 0xFF000000u);
    }
    if (nWidthDest != nWidthSrc || nHeightDest != nHeightSrc)
        piece =
            piece.scaled(nWidthDest, nHeightDest, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    dcDest.drawImage(nXDest, nYDest, piece);
    return true;
}

void CQBBitmapButton::OnGetDlgCode() {
    if (m_bHovering) {
        m_bHovering = 0;
        SetImage(&m_imgNormal);
    }
}

std::size_t CQBBitmapButton::LargeIndex() const {
    return m_pCurrent == &m_imgPressed ? 1 : m_pCurrent == &m_imgHover ? 2 : 0;
}

CQBBitmapButton::EImage CQBBitmapButton::GetCurrentImage() const {
    if (m_pCurrent == &m_imgPressed)
        return EImage::Pressed;
    if (m_pCurrent == &m_imgHover)
        return EImage::Hover;
    return EImage::Normal;
}

const QImage& CQBBitmapButton::GetImage(EImage image) const {
    switch (image) {
    case EImage::Pressed:
        return m_imgPressed;
    case EImage::Hover:
        return m_imgHover;
    case EImage::Normal:
        break;
    }
    return m_imgNormal;
}

QSize CQBBitmapButton::sizeHint() const {
    return m_imgNormal.isNull() ? QSize(0, 0) : m_imgNormal.size();
}

void CQBBitmapButton::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    DrawItem(dc);
}

void CQBBitmapButton::mouseMoveEvent(QMouseEvent* pEvent) {
    QAbstractButton::mouseMoveEvent(pEvent);
    pEvent->accept();
    if (m_rgnShape.contains(pEvent->position().toPoint())) {
        if (m_bHovering)
            return;
        m_bHovering = 1;
        if (!(pEvent->buttons() & Qt::LeftButton)) {
            // Holding the mouse is how the button learns that the pointer left its shape.
            grabMouse();
            SetImage(&m_imgHover);
        } else {
            SetImage(m_bPressed ? &m_imgPressed : m_pCurrent);
        }
    } else {
        ReleaseGrab();
        m_bHovering = 0;
        SetImage(&m_imgNormal);
    }
}

void CQBBitmapButton::mousePressEvent(QMouseEvent* pEvent) {
    // Swallowed: outside the shape, and any button but the left one.
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton || !m_rgnShape.contains(pEvent->position().toPoint()))
        return;
    m_bPressed = 1;
    SetImage(&m_imgPressed);
    setFocus(Qt::MouseFocusReason);
    QAbstractButton::mousePressEvent(pEvent);
}

void CQBBitmapButton::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() != Qt::LeftButton) {
        pEvent->accept();
        return;
    }
    m_bPressed = 0;
    SetImage(m_rgnShape.contains(pEvent->position().toPoint()) ? &m_imgHover : &m_imgNormal);
    // The hold ends before the click is delivered, as a native button's does:
    // the click may open a dialog that needs the mouse.
    ReleaseGrab();
    QAbstractButton::mouseReleaseEvent(pEvent);
}

void CQBBitmapButton::keyPressEvent(QKeyEvent* pEvent) {
    OnGetDlgCode();
    QAbstractButton::keyPressEvent(pEvent);
}

void CQBBitmapButton::focusInEvent(QFocusEvent* pEvent) {
    m_bKeyboardFocus = pEvent->reason() == Qt::TabFocusReason ||
                       pEvent->reason() == Qt::BacktabFocusReason ||
                       pEvent->reason() == Qt::ShortcutFocusReason;
    update();
    QAbstractButton::focusInEvent(pEvent);
}

void CQBBitmapButton::focusOutEvent(QFocusEvent* pEvent) {
    m_bKeyboardFocus = false;
    update();
    OnGetDlgCode();
    QAbstractButton::focusOutEvent(pEvent);
}

void CQBBitmapButton::leaveEvent(QEvent* pEvent) {
    // Without the hold (after a click) the pointer can leave the rectangle
    // unseen by mouseMoveEvent; the hover ends here then.
    if (m_bHovering) {
        ReleaseGrab();
        m_bHovering = 0;
        SetImage(&m_imgNormal);
    }
    QAbstractButton::leaveEvent(pEvent);
}

void CQBBitmapButton::hideEvent(QHideEvent* pEvent) {
    Reset();
    QAbstractButton::hideEvent(pEvent);
}

void CQBBitmapButton::moveEvent(QMoveEvent* pEvent) {
    // Keep the skin piece under the button right if the parent moves it after Init.
    if (!m_rcPlace.isNull())
        m_rcPlace = geometry();
    QAbstractButton::moveEvent(pEvent);
}

void CQBBitmapButton::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::EnabledChange && !isEnabled())
        Reset();
    QAbstractButton::changeEvent(pEvent);
}

void CQBBitmapButton::SetImage(const QImage* pImage) {
    m_pCurrent = pImage;
    update();
}

void CQBBitmapButton::ReleaseGrab() {
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

// A hidden or disabled button holds no mouse and shows its normal image.
void CQBBitmapButton::Reset() {
    ReleaseGrab();
    m_bHovering = 0;
    m_bPressed = 0;
    if (m_pCurrent != &m_imgNormal)
        SetImage(&m_imgNormal);
}
