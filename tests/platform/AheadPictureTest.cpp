#include "platform/graphics/AheadPicture.h"

#include <gtest/gtest.h>

#include <QColor>

#include <atomic>
#include <memory>
#include <new>
#include <vector>

using namespace qf;

namespace {

QImage filled(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(side, 0, 0));
    return image;
}

} // namespace

TEST(AheadPicture, EachPictureIsMadeOnceWhoeverMakesItAndCancelledOnesNever)
{
    // Rows: pictures taken as they were queued, in the opposite order (the
    // taker makes what no helper has begun), or cancelled before any is
    // taken; and a picture whose making finds no memory.
    struct Row {
        const char* name;
        bool reverse;
        bool cancel;
        bool outOfMemory;
    };
    const Row rows[] = {
        {"in order", false, false, false},
        {"in reverse", true, false, false},
        {"cancelled", false, true, false},
        {"without memory", false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        constexpr int kCount = 200;
        auto made = std::make_shared<std::vector<std::atomic<int>>>(kCount);
        std::vector<std::shared_ptr<AheadPicture>> pictures;
        for (int i = 0; i < kCount; ++i) {
            const bool fails = row.outOfMemory;
            pictures.push_back(std::make_shared<AheadPicture>([made, i, fails] {
                ++(*made)[std::size_t(i)];
                if (fails)
                    throw std::bad_alloc();
                return filled(1 + i % 50);
            }));
            AheadPicture::queue(pictures.back());
        }
        if (row.cancel)
            for (const auto& picture : pictures)
                picture->cancel();
        for (int k = 0; k < kCount; ++k) {
            const int i = row.reverse ? kCount - 1 - k : k;
            const QImage taken = pictures[std::size_t(i)]->take();
            // A cancelled picture a helper had begun is made all the same.
            const bool unmade = row.outOfMemory || (row.cancel && (*made)[std::size_t(i)] == 0);
            if (unmade) {
                EXPECT_TRUE(taken.isNull()) << i;
            } else {
                ASSERT_EQ(taken.width(), 1 + i % 50) << i;
                EXPECT_EQ(taken.pixelColor(0, 0), QColor(1 + i % 50, 0, 0)) << i;
            }
            // Taken again, it is the same picture, not made again.
            EXPECT_EQ(pictures[std::size_t(i)]->take().cacheKey(), taken.cacheKey()) << i;
        }
        int total = 0;
        for (const auto& count : *made) {
            EXPECT_LE(count.load(), 1);
            total += count.load();
        }
        if (!row.cancel) {
            EXPECT_EQ(total, kCount);
        }
    }
}
