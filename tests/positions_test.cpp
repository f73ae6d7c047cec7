// Position-to-cell conversion, whole-cell shifts, and positions as the log writes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "base/numbers.h"
#include "records/record_layout.h"

TEST(CellOfPosition, TruncatesTowardZeroAndStepsBackForNegatives) {
  EXPECT_EQ(cellOfCoordinate(100.0f), 0);
  EXPECT_EQ(cellOfCoordinate(-0.5f), -1);
  EXPECT_EQ(cellOfCoordinate(8191.9f), 0);
  EXPECT_EQ(cellOfCoordinate(8192.0f), 1);
  EXPECT_EQ(cellOfCoordinate(-8191.5f), -1);
  EXPECT_EQ(cellOfCoordinate(-8192.0f), -2);
  EXPECT_EQ(cellOfCoordinate(0.0f), 0);
  EXPECT_EQ(cellOfCoordinate(-0.0f), 0);
  EXPECT_EQ(cellOfPosition(25000.0f, -15000.0f), (GridCell{3, -2}));
}

TEST(CellOfPosition, RefusesPositionsWithoutACell) {
  EXPECT_FALSE(cellOfCoordinate(std::numeric_limits<float>::quiet_NaN()));
  EXPECT_FALSE(cellOfCoordinate(std::numeric_limits<float>::infinity()));
  EXPECT_FALSE(cellOfCoordinate(-std::numeric_limits<float>::infinity()));
  EXPECT_FALSE(cellOfCoordinate(3.0e38f));
  EXPECT_FALSE(cellOfCoordinate(-1.7592186e13f));  // cell -2^31 - 1 would not fit
  EXPECT_EQ(cellOfCoordinate(-1.7592186e13f / 2), -1073741825);
  EXPECT_FALSE(cellOfPosition(1.0f, std::numeric_limits<float>::quiet_NaN()));
}

TEST(ShiftPosition, AddsWholeCellsRoundedOnce) {
  EXPECT_EQ(shiftPosition(100.0f, -3), -24476.0f);
  EXPECT_EQ(shiftPosition(100.0f, 5), 41060.0f);
  EXPECT_EQ(shiftPosition(200.0f, -3), -24376.0f);
  EXPECT_EQ(shiftPosition(25000.0f, 0), 25000.0f);
  // 1234.567f + 16384 rounds once to the nearest float.
  EXPECT_EQ(shiftPosition(1234.567f, 2), 1234.567f + 16384.0f);
}

TEST(ShiftPosition, RefusesNonFinitePositionsAndHugeOffsets) {
  EXPECT_FALSE(shiftPosition(std::numeric_limits<float>::quiet_NaN(), 1));
  EXPECT_FALSE(shiftPosition(std::numeric_limits<float>::infinity(), 1));
  EXPECT_FALSE(shiftPosition(0.0f, 262144));
  EXPECT_FALSE(shiftPosition(0.0f, -262144));
  EXPECT_EQ(shiftPosition(0.0f, 262143), 262143.0f * 8192.0f);
}

// The run log's positions are written by our own "%f"; it must give the C
// library's very text, rounding ties to even, for any float and for the
// shifted doubles of script lines.
TEST(FixedSixDecimals, WritesWhatPrintfWrites) {
  std::mt19937 random(7);
  std::vector<double> values = {0.0, -0.0, 5e-7, -5e-7, 1e-300, 0x1p60, -0x1p61, 1e300,
                                std::numeric_limits<double>::infinity(), std::nan("")};
  for (int j = -3000; j <= 3000; ++j) values.push_back(j / 128.0);  // ties in the 7th digit
  for (int i = 0; i < 200000; ++i) {
    const uint32_t bits = random();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    values.push_back(f);
    values.push_back(static_cast<double>(f) + static_cast<int>(random() % 2001 - 1000) * 8192.0);
  }
  for (double value : values) {
    char expected[400];
    std::snprintf(expected, sizeof expected, "%f", value);
    ASSERT_STREQ(fixedSixDecimals(value).text, expected) << value;
  }
}

// The run log's sizes and grids are written by our own "%d".
TEST(DecimalText, WritesWhatPrintfWrites) {
  for (const int64_t value : {int64_t{0}, int64_t{7}, int64_t{-7}, int64_t{4096}, int64_t{-90},
                              int64_t{INT32_MAX}, int64_t{INT32_MIN}, INT64_MAX, INT64_MIN}) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%lld", static_cast<long long>(value));
    EXPECT_STREQ(decimalText(value).text, expected);
  }
}
