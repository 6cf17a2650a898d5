#include "skin/WindowSkin.h"

#include "skin/BitmapResource.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <utility>
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

    // Runs of the current band of equal rows, as [left, right) pairs; a band
    // becomes one rectangle per run when a row with other runs ends it. The
    // result is already in the banded y-x order that QRegion keeps.
    std::vector<std::pair<int, int>> band;
    std::vector<std::pair<int, int>> row;
    std::vector<QRect> rects;
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (const auto& [left, right] : band) rects.emplace_back(left, bandTop, right - left, bottom - bandTop);
    };
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        row.clear();
        int x = 0;
        while (x < width) {
            while (x < width && IsKeyPixel(line[x])) ++x;
            if (x >= width) break;
            const int start = x;
            while (x < width && !IsKeyPixel(line[x])) ++x;
            row.emplace_back(start, x);
        }
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
