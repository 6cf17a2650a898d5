// SPDX-License-Identifier: MIT
#pragma once

// A skin gives a frameless window its whole look from one bitmap: loading it
// resizes the window to the bitmap, masks the window to the bitmap's pixels
// that are not the key colour RGB(255, 0, 0), and from then on the window
// paints itself by copying the bitmap. A left press anywhere on the window
// itself (not on a control) drags the window, as a press on a caption would.
//
// The skin is a plain object held by value by the window it skins; it loads
// once, in the window's initialisation, and lives as long as the window.

#include <QPixmap>
#include <QRegion>
#include <QString>
#include <memory>
#include <optional>

class QImage;
class QPainter;
class QWidget;

class CWindowSkin final {
public:
    // What the window answers for every one of its points: its caption.
    static constexpr int HTCAPTION = 2;

    CWindowSkin();
    ~CWindowSkin();
    CWindowSkin(const CWindowSkin&) = delete;
    CWindowSkin& operator=(const CWindowSkin&) = delete;

    // Loads the bitmap of that name (case-insensitive) and gives its size and
    // outline to pWnd. Returns 1 on success, 0 at the first failing step; a
    // missing bitmap leaves the window at its own size and rectangular. The
    // window can be dragged by its skin from this call on, loaded or not.
    int Load(QWidget* pWnd, const QString& strName);

    // Copies the skin onto the painter at (0, 0); copies nothing before a
    // successful Load. On a device with a pixel ratio above 1 the large
    // bitmap is copied when there is one, at the same logical size.
    void Paint(QPainter& dc) const;
    // Copies the piece of the skin under source (in window pixels) to the
    // painter at (0, 0), from the large bitmap where Paint would take it.
    void PaintPiece(QPainter& dc, const QRect& source) const;

    int HitTest() const { return HTCAPTION; }

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    // The loaded bitmap (null before a successful Load). Bitmap buttons copy
    // the piece under them from it.
    const QPixmap& GetBitmap() const { return m_bitmap; }

    // The union of every maximal horizontal run of pixels that are not exactly
    // the key colour. Rows with equal runs are merged into one band.
    static QRegion BuildRegion(const QImage& image);

    // Whether the windowing system places top-level windows where they are
    // moved, reports where they are and cuts them to a mask: X11 does;
    // native Wayland does none of it. Where it does not, a window keeps its
    // shape by a transparent background (Load), and a window's place is
    // neither taken nor stored.
    static bool PlatformPlacesWindows();
    static bool PlacesWindows(const QString& platformName);
    // Overrides the platform's answer (a platform of its own, tests);
    // nullopt: the platform's again.
    static void SetPlacesWindows(std::optional<bool> places);

private:
    class CDragger;

    const QPixmap& BitmapFor(const QPainter& dc) const;

    QPixmap m_bitmap;
    QPixmap m_large; // twice the size, device pixel ratio 2; null when there is none
    int m_nWidth = 0;
    int m_nHeight = 0;
    QRegion m_shape; // painted within when the platform cuts no window to a mask
    std::unique_ptr<CDragger> m_pDragger;
};
