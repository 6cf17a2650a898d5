// SPDX-License-Identifier: MIT
#pragma once

// A push button whose whole look comes from one bitmap, named by the button's
// text ("BtnGo", "btnTitle", ...). From the bitmap the button derives a darker
// image for the pressed state and a lighter one for hovering, cuts its hit
// shape from the key colour RGB(255, 0, 0), and paints itself over the piece
// of its parent's skin that lies beneath it, so that key pixels show the skin.
// Presses outside the shape but inside the rectangle are swallowed: no push,
// no focus, no click. Labels are the same buttons, disabled: they get no
// mouse input and always show their normal image.
//
// Tab reaches a button (a frame shows the keyboard's focus) and Space presses
// it.
//
// Set-up, in the parent's initialisation: give the button its text (or its
// objectName) and its place, disable it if it is a label, then call Init.
// Clicks arrive as the standard clicked() signal.

#include <QAbstractButton>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <array>

class CWindowSkin;
class QPainter;

class CQBBitmapButton final : public QAbstractButton {
    Q_OBJECT

public:
    enum class EImage { Normal, Pressed, Hover };

    static constexpr double PRESSED_GAMMA = 1.4; // darker
    static constexpr double HOVER_GAMMA = 0.8;   // lighter

    explicit CQBBitmapButton(QWidget* pParent = nullptr);
    ~CQBBitmapButton() override;

    // Makes the button a child of pParent (when it has no parent yet), loads
    // the bitmap named by its text (its objectName when the text is empty),
    // takes the bitmap's size and remembers where it sits on pBackground.
    // Returns 1 on success, 0 at the first failing step. The control id is
    // kept for GetDlgCtrlID; the objectName becomes the bitmap's name when it
    // was empty.
    int Init(int nID, CWindowSkin* pBackground, QWidget* pParent);

    // Loads the bitmap and derives the three images; gives back the size and
    // the shape (the union of the non-key pixels). 1 on success, 0 on failure.
    int LoadImages(const QString& strName, int& nWidth, int& nHeight, QRegion& rgnShape);

    // Paints the skin piece beneath the button, then the current image with
    // its key pixels left out.
    void DrawItem(QPainter& dc);

    // Copies the source rectangle of imgSrc onto the destination rectangle,
    // leaving out every pixel of exactly the key colour (stretching when the
    // sizes differ). Returns false, drawing nothing, for an empty rectangle
    // or a null source.
    static bool DrawTransparent(QPainter& dcDest, int nXDest, int nYDest, int nWidthDest,
                                int nHeightDest, const QImage& imgSrc, int nXSrc, int nYSrc,
                                int nWidthSrc, int nHeightSrc, QRgb crTransparent);

    // Ends a hover that the mouse did not end (keyboard input, focus leaving).
    void OnGetDlgCode();

    // One colour byte of a derived image: trunc(255 * (value / 255) ^ gamma).
    static int ApplyGamma(int nValue, double dGamma);

    int GetDlgCtrlID() const { return m_nID; }
    EImage GetCurrentImage() const;
    const QImage& GetImage(EImage image) const;
    const QRegion& GetShape() const { return m_rgnShape; }
    const QRect& GetPlaceInParent() const { return m_rcPlace; }
    bool IsHovering() const { return m_bHovering != 0; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;
    void moveEvent(QMoveEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    void SetImage(const QImage* pImage);
    std::size_t LargeIndex() const; // of the current image in m_large
    void ReleaseGrab();
    void Reset();

    QImage m_imgNormal;
    QImage m_imgPressed;
    QImage m_imgHover;
    const QImage* m_pCurrent = &m_imgNormal;
    // The three images at twice the size (normal, pressed, hover), painted on
    // a device with a pixel ratio above 1; null when there is no large bitmap.
    std::array<QImage, 3> m_large;
    CWindowSkin* m_pBackground = nullptr; // not owned
    QRect m_rcPlace;    // in the parent, which is frameless: also the place in its skin
    QRegion m_rgnShape; // in the button's own coordinates
    int m_bHovering = 0;
    int m_bPressed = 0;
    int m_nID = 0;
    bool m_bKeyboardFocus = false; // focused by Tab: the focus frame shows
};
