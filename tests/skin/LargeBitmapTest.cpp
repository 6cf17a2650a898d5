// SPDX-License-Identifier: MIT
// The large bitmaps for scaled screens: one for every bitmap, exactly twice
// its size, cut along exactly its key pixels (each as two by two), since the
// window's and the buttons' shapes come from the small bitmap.

#include "skin/BitmapResource.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

TEST(LargeBitmap, EveryBitmapHasOneTwiceItsSizeWithTheSameKeyPixels) {
    const QStringList files = QDir(QStringLiteral(":/bitmaps")).entryList({"*.bmp"}, QDir::Files);
    ASSERT_GE(files.size(), 25);
    for (const QString& file : files) {
        const QString name = file.chopped(4);
        const QImage small = LoadBitmapResource(name);
        const QImage large = LoadLargeBitmapResource(name);
        ASSERT_FALSE(large.isNull()) << name.toStdString();
        ASSERT_EQ(large.size(), small.size() * 2) << name.toStdString();
        EXPECT_EQ(large.devicePixelRatio(), 2.0);
        int mismatches = 0;
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x)
                mismatches +=
                    IsKeyPixel(large.pixel(x, y)) != IsKeyPixel(small.pixel(x / 2, y / 2));
        EXPECT_EQ(mismatches, 0) << name.toStdString();
    }
    EXPECT_TRUE(LoadLargeBitmapResource("NoSuchBitmap").isNull());
    EXPECT_FALSE(LoadLargeBitmapResource("btntitle").isNull()); // any case, as the small ones
}

} // namespace
