// SPDX-License-Identifier: MIT
#pragma once
// The leather of the skin's small windows (the find box, the review panel):
// a dark-rimmed, rounded panel with a stitched seam inside its edge.

class QPainter;
class QRect;

// Corner radius of such a panel, for its window's shape.
inline constexpr int LEATHER_PANEL_RADIUS = 12;

// Paints the panel over the whole of rect.
void PaintLeatherPanel(QPainter& painter, const QRect& rect);
