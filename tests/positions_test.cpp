// Position-to-cell conversion and whole-cell shifts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plugin/record_layout.h"

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
