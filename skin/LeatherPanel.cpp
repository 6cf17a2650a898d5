// SPDX-License-Identifier: MIT
#include "skin/LeatherPanel.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>

void PaintLeatherPanel(QPainter& painter, const QRect& rect) {
    static const QColor rim(0x22, 0x14, 0x0c);
    static const QColor leatherDark(0x4a, 0x2b, 0x1a);
    static const QColor leatherLight(0x6e, 0x42, 0x28);
    static const QColor seam(0xe3, 0xc9, 0x98);
    constexpr double RADIUS = LEATHER_PANEL_RADIUS;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient leather(0, rect.top(), 0, rect.bottom() + 1);
    leather.setColorAt(0, leatherLight);
    leather.setColorAt(1, leatherDark);
    const QRectF outer = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(rim, 2));
    painter.setBrush(leather);
    painter.drawRoundedRect(outer, RADIUS, RADIUS);
    QPen stitch(seam, 1.2, Qt::DashLine);
    stitch.setDashPattern({3, 3});
    painter.setPen(stitch);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outer.adjusted(5, 5, -5, -5), RADIUS - 5, RADIUS - 5);
    painter.restore();
}
