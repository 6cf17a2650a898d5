// SPDX-License-Identifier: MIT
#include "skin/WindowSkin.h"

#include "skin/BitmapResource.h"

#include <QGuiApplication>
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
// ones (the labels) do, as they reach the window. The move starts with the
// first movement, so that clicks and double clicks on the skin stay clicks;
// it is the platform's own move where the platform offers one, so that the
// window manager sees an ordinary drag, and a plain move of the window
// otherwise.
class CWindowSkin::CDragger final : public QObject {
public:
    explicit CDragger(QWidget* pWnd) : m_pWnd(pWnd) {}

    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pWatched != m_pWnd || !m_pWnd)
            return false;
        QWidget* pWindow = m_pWnd->window();
        switch (pEvent->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(pEvent);
            if (e->button() != Qt::LeftButton)
                return false;
            m_eState = EState::Pressed;
            m_ptOffset = e->globalPosition().toPoint() - pWindow->pos();
            return true;
        }
        case QEvent::MouseMove: {
            if (m_eState == EState::Idle)
                return false;
            auto* e = static_cast<QMouseEvent*>(pEvent);
            if (!(e->buttons() & Qt::LeftButton)) {
                m_eState = EState::Idle;
                return false;
            }
            if (m_eState == EState::Pressed) {
                QWindow* pHandle = pWindow->windowHandle();
                if (pHandle && pHandle->startSystemMove()) {
                    m_eState = EState::Idle;
                    return true;
                }
                m_eState = EState::Moving;
            }
            pWindow->move(e->globalPosition().toPoint() - m_ptOffset);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(pEvent);
            if (m_eState == EState::Idle || e->button() != Qt::LeftButton)
                return false;
            m_eState = EState::Idle;
            return true;
        }
        default:
            return false;
        }
    }

private:
    enum class EState { Idle, Pressed, Moving };

    QPointer<QWidget> m_pWnd;
    EState m_eState = EState::Idle;
    QPoint m_ptOffset;
};

CWindowSkin::CWindowSkin() = default;
CWindowSkin::~CWindowSkin() = default;

int CWindowSkin::Load(QWidget* pWnd, const QString& strName) {
    if (!pWnd)
        return 0;
    if (!m_pDragger) {
        m_pDragger = std::make_unique<CDragger>(pWnd);
        pWnd->installEventFilter(m_pDragger.get());
    }
    const QImage image = LoadBitmapResource(strName);
    if (image.isNull())
        return 0;
    m_bitmap = QPixmap::fromImage(image);
    if (m_bitmap.isNull())
        return 0;
    const QImage large = LoadLargeBitmapResource(strName);
    m_large = large.size() == image.size() * 2 ? QPixmap::fromImage(large) : QPixmap();
    m_nWidth = image.width();
    m_nHeight = image.height();
    pWnd->resize(m_nWidth, m_nHeight);
    if (PlatformPlacesWindows()) {
        pWnd->setMask(BuildRegion(image));
        m_shape = QRegion();
    } else {
        // No masks (native Wayland): the key colour around the shape would
        // show. The window is transparent where Paint leaves it unpainted.
        m_shape = BuildRegion(image);
        pWnd->setAttribute(Qt::WA_TranslucentBackground);
    }
    return 1;
}

namespace {
std::optional<bool> g_placesWindows;
} // namespace

bool CWindowSkin::PlacesWindows(const QString& platformName) {
    return !platformName.startsWith(QLatin1String("wayland"));
}

bool CWindowSkin::PlatformPlacesWindows() {
    return g_placesWindows.value_or(PlacesWindows(QGuiApplication::platformName()));
}

void CWindowSkin::SetPlacesWindows(std::optional<bool> places) {
    g_placesWindows = places;
}

const QPixmap& CWindowSkin::BitmapFor(const QPainter& dc) const {
    if (!m_large.isNull() && dc.device() && dc.device()->devicePixelRatioF() > 1.0)
        return m_large;
    return m_bitmap;
}

void CWindowSkin::Paint(QPainter& dc) const {
    if (m_bitmap.isNull())
        return;
    if (!m_shape.isEmpty()) {
        dc.save();
        dc.setClipRegion(m_shape, Qt::IntersectClip);
        dc.drawPixmap(QPointF(0, 0), BitmapFor(dc));
        dc.restore();
        return;
    }
    dc.drawPixmap(QPointF(0, 0), BitmapFor(dc));
}

void CWindowSkin::PaintPiece(QPainter& dc, const QRect& source) const {
    if (m_bitmap.isNull())
        return;
    const QPixmap& bitmap = BitmapFor(dc);
    const qreal scale = bitmap.devicePixelRatio();
    dc.drawPixmap(QRectF(0, 0, source.width(), source.height()), bitmap,
                  QRectF(source.x() * scale, source.y() * scale, source.width() * scale,
                         source.height() * scale));
}

QRegion CWindowSkin::BuildRegion(const QImage& source) {
    const QImage image =
        source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
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
            rects.emplace_back(static_cast<int>(it - begin), bandTop, static_cast<int>(end - it),
                               bottom - bandTop);
            it = end;
        }
    };
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            row[static_cast<size_t>(x)] = !IsKeyPixel(line[x]);
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
