#include "skin/WindowSkin.h"

#include "skin/BitmapResource.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdint>
#include <vector>

// Moves the window while the left button is held after a press on the window
// itself. Presses on enabled controls never reach it; presses on disabled
// ones (the labels) do, as they reach the window. The platform's own move is
// used where it offers one, so the window manager sees an ordinary drag.
class CWindowSkin::CDragger final : public QObject {
public:
    explicit CDragger(QWidget* pWnd) : m_pWnd(pWnd) {}

    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pWatched != m_pWnd || !m_pWnd) return false;
        switch (pEvent->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(pEvent);
            if (e->button() != Qt::LeftButton) return false;
            QWindow* pHandle = m_pWnd->window()->windowHandle();
            if (pHandle && pHandle->startSystemMove()) return true;
            m_bDragging = true;
            m_ptOffset = e->globalPosition().toPoint() - m_pWnd->window()->pos();
            return true;
        }
        case QEvent::MouseMove: {
            if (!m_bDragging) return false;
            auto* e = static_cast<QMouseEvent*>(pEvent);
            if (!(e->buttons() & Qt::LeftButton)) {
                m_bDragging = false;
                return false;
            }
            m_pWnd->window()->move(e->globalPosition().toPoint() - m_ptOffset);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(pEvent);
            if (!m_bDragging || e->button() != Qt::LeftButton) return false;
            m_bDragging = false;
            return true;
        }
        default:
            return false;
        }
    }

private:
    QPointer<QWidget> m_pWnd;
    bool m_bDragging = false;
    QPoint m_ptOffset;
};

CWindowSkin::CWindowSkin() = default;
CWindowSkin::~CWindowSkin() = default;

int CWindowSkin::Load(QWidget* pWnd, const QString& strName) {
    if (!pWnd) return 0;
    if (!m_pDragger) {
        m_pDragger = std::make_unique<CDragger>(pWnd);
        pWnd->installEventFilter(m_pDragger.get());
    }
    const QImage image = LoadBitmapResource(strName);
    if (image.isNull()) return 0;
    m_bitmap = QPixmap::fromImage(image);
    if (m_bitmap.isNull()) return 0;
    m_nWidth = image.width();
    m_nHeight = image.height();
    pWnd->resize(m_nWidth, m_nHeight);
    pWnd->setMask(BuildRegion(image));
    return 1;
}

void CWindowSkin::Paint(QPainter& dc) const {
    if (!m_bitmap.isNull()) dc.drawPixmap(0, 0, m_bitmap);
}

QRegion CWindowSkin::BuildRegion(const QImage& source) {
    const QImage image = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();

    // Each row becomes one byte per pixel, 1 where the pixel is not the key
    // colour. Consecutive rows with the same bytes form one band, which becomes
    // one rectangle per run of 1s when a different row ends it; the result is
    // already in the banded y-x order that QRegion keeps.
    std::vector<std::uint8_t> band(static_cast<size_t>(width), 0);
    std::vector<std::uint8_t> row(static_cast<size_t>(width), 0);
    std::vector<QRect> rects;
    int bandTop = 0;
    auto flush = [&](int bottom) {
        const auto begin = band.cbegin();
        auto it = begin;
        while ((it = std::find(it, band.cend(), 1)) != band.cend()) {
            const auto end = std::find(it, band.cend(), 0);
            rects.emplace_back(static_cast<int>(it - begin), bandTop, static_cast<int>(end - it), bottom - bandTop);
            it = end;
        }
    };
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) row[static_cast<size_t>(x)] = !IsKeyPixel(line[x]);
        if (row != band) {
            flush(y);
            band.swap(row);
            bandTop = y;
        }
    }
    flush(height);

    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}
