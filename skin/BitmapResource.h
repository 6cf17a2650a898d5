// SPDX-License-Identifier: MIT
#pragma once

// The program's bitmaps and icon are compiled into qb_skin with the Qt resource
// system: bitmaps under ":/bitmaps/<Name>.bmp", the icon under
// ":/icons/quillbox-<size>.png". Bitmaps are found by name without regard to
// case, so "btnTitle", "BTNTITLE" and "BtnTitle" all find the same picture.

#include <QIcon>
#include <QImage>
#include <QString>

// The bitmap of that name as a 32-bit image (QImage::Format_RGB32), or a null
// image when there is none.
QImage LoadBitmapResource(const QString& strName);

// The same picture drawn at twice the size ("<Name>@2x.png"), for screens with
// a device pixel ratio above 1: a 32-bit image with device pixel ratio 2 whose
// key pixels are exactly those of the small bitmap, each as two by two; or a
// null image when there is none.
QImage LoadLargeBitmapResource(const QString& strName);

// The program icon (resource 128 of the original), in every size drawn.
QIcon LoadProgramIcon();

// The key colour: the one transparent colour of every skin and button bitmap.
// Only a pixel of exactly this colour is transparent.
inline constexpr unsigned int SKIN_KEY_COLOUR = 0xFF0000u; // RGB(255, 0, 0)

inline bool IsKeyPixel(unsigned int rgb32) {
    return (rgb32 & 0xFFFFFFu) == SKIN_KEY_COLOUR;
}
