// What both windows share of their list's layout.
#include "windowtext.h"

#include <gtest/gtest.h>

#include <array>

// Only the name column gives way, by exactly what does not fit, and never below nothing.
TEST(FitColumnsToRoom, TheNameColumnGivesUpWhatDoesNotFit)
{
    struct Case {
        int room;
        int name;
    };
    // The template's widths: 50 150 50 50 80 80, 460 pixels in all.
    for (const Case c : {Case{460, 150}, Case{500, 150}, Case{453, 143}, Case{310, 0}, Case{100, 0}}) {
        std::array<int, COL_COUNT> widths{};
        for (int i = 0; i < COL_COUNT; ++i) widths[i] = kDeviceColumns[i].width;
        FitColumnsToRoom(widths, c.room);
        EXPECT_EQ(widths[COL_NAME], c.name) << c.room;
        for (int i = 0; i < COL_COUNT; ++i)
            if (i != COL_NAME) EXPECT_EQ(widths[i], kDeviceColumns[i].width) << c.room << ", column " << i;
    }
}
