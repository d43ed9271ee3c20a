// Board cell arithmetic at its edges: snapping, placement limits, resizing by deltas and by
// handles, drag threshold, group steps, zoom refusals and wheel accumulation.
#include <gtest/gtest.h>

#include <vector>

#include "modules/board_geometry.h"

namespace {

TEST(BoardGeometry, SnapAndPlacementLimits) {
  const std::pair<int, int> snaps[] = {{5, 8}, {3, 0}, {4, 8}, {-4, -8}, {0, 0}, {11, 8}, {12, 16}};
  for (auto [in, out] : snaps) EXPECT_EQ(BOARD_Snap(in), out) << in;
  EXPECT_EQ(BOARD_LimitPlacement(QRect(-3, 5, 5, 40), false), QRect(0, 5, 12, 40));
  EXPECT_EQ(BOARD_LimitPlacement(QRect(3, 13, 21, 13), true), QRect(0, 16, 24, 16));
}

TEST(BoardGeometry, ResizeByDeltasKeepsMinimumAndBoardEdge) {
  struct Case {
    QRect in;
    int top, bottom, left, right;
    QRect out;
  };
  const Case cases[] = {
      {{10, 10, 12, 12}, 0, -8, 0, -8, {10, 10, 12, 12}},  // never below 12 cells
      {{10, 10, 20, 20}, 0, 8, 0, 1, {10, 10, 21, 28}},
      {{3, 3, 20, 20}, -8, 0, -8, 0, {0, 0, 23, 23}},      // the edge stops at 0
      {{10, 10, 20, 20}, 5, 0, 0, 0, {10, 15, 20, 15}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BOARD_ResizeByDeltas(c.in, c.top, c.bottom, c.left, c.right), c.out) << c.top;
  }
}

TEST(BoardGeometry, HandlesAnchorsAndResizes) {
  const QRect m(10, 20, 40, 30);
  EXPECT_EQ(BOARD_HandleAnchor(m, BOARD_HANDLE_LEFT), QPoint(10, 35));
  EXPECT_EQ(BOARD_HandleAnchor(m, BOARD_HANDLE_BOTTOM_RIGHT), QPoint(49, 49));
  EXPECT_EQ(BOARD_HandleAnchor(m, 99), QPoint(10, 20));
  EXPECT_EQ(BOARD_CornerHandle(BOARD_HANDLE_TOP), BOARD_HANDLE_TOP_RIGHT);
  EXPECT_EQ(BOARD_CornerHandle(BOARD_HANDLE_LEFT), BOARD_HANDLE_BOTTOM_LEFT);
  // Right edge to column 59: the module covers up to it.
  EXPECT_EQ(BOARD_ResizeByHandle(m, BOARD_HANDLE_RIGHT, {59, 0}), QRect(10, 20, 50, 30));
  // Left edge past the right edge: stops 12 cells before it.
  EXPECT_EQ(BOARD_ResizeByHandle(m, BOARD_HANDLE_LEFT, {70, 0}), QRect(38, 20, 12, 30));
  EXPECT_EQ(BOARD_ResizeByHandle(m, BOARD_HANDLE_TOP_LEFT, {-5, -5}), QRect(0, 0, 50, 50));
  EXPECT_EQ(BOARD_SnapHandleCell(BOARD_HANDLE_BOTTOM_RIGHT, {61, 45}), QPoint(63, 47));
  EXPECT_EQ(BOARD_SnapHandleCell(BOARD_HANDLE_TOP_LEFT, {61, 45}), QPoint(64, 48));
  // Every handle is found where it is drawn.
  for (int h = BOARD_HANDLE_LEFT; h <= BOARD_HANDLE_BOTTOM_RIGHT; ++h) {
    EXPECT_EQ(BOARD_HandleAt(m, BOARD_HandlePx(m, h).center()), h);
  }
  // A frame at column 1 starts at column 0 and spans w + 4 columns.
  EXPECT_EQ(BOARD_SelectionFramePx(QRect(1, 10, 20, 20)), QRect(0, 14, 48, 52));
}

TEST(BoardGeometry, DragThresholdAndGroupStep) {
  EXPECT_FALSE(BOARD_IsDragFarEnough({10, 10}, {11, 10}));
  EXPECT_TRUE(BOARD_IsDragFarEnough({10, 10}, {11, 11}));
  EXPECT_EQ(BOARD_ClampGroupStep({3, 20}, BOARD_DirectionStep(BOARD_LEFT, false)), QPoint(-3, 0));
  EXPECT_EQ(BOARD_ClampGroupStep({0, 20}, BOARD_DirectionStep(BOARD_UP, true)), QPoint(0, -1));
  EXPECT_EQ(BOARD_ClampGroupStep({0, 0}, BOARD_DirectionStep(BOARD_DOWN, false)), QPoint(0, 8));
}

TEST(BoardGeometry, ZoomRefusalsAndRoundTrip) {
  const std::vector<ZOOM_GEOMETRY> low = {BOARD_ZoomGeometryOf(QRect(8, 8, 40, 16))};
  EXPECT_FALSE(BOARD_ZoomAllowed(low, BOARD_ZOOM_OUT));  // 16 x 2/3 rounds to 11
  EXPECT_TRUE(BOARD_ZoomAllowed(low, BOARD_ZOOM_IN));
  const std::vector<ZOOM_GEOMETRY> far = {BOARD_ZoomGeometryOf(QRect(12000, 8, 40, 40))};
  EXPECT_FALSE(BOARD_ZoomAllowed(far, BOARD_ZOOM_IN));

  const QRect start(24, 40, 64, 24);
  ZOOM_GEOMETRY z = BOARD_ZoomGeometryOf(start);
  for (int i = 0; i < 3; ++i) BOARD_ZoomRect(z, BOARD_ZOOM_IN, &z);
  QRect back;
  for (int i = 0; i < 3; ++i) back = BOARD_ZoomRect(z, BOARD_ZOOM_OUT, &z);
  EXPECT_EQ(back, start);
}

TEST(BoardGeometry, ExtentAndWheelSteps) {
  EXPECT_EQ(BOARD_Extent(QRect(), QSize(200, 100)), QSize(102, 52));
  EXPECT_EQ(BOARD_Extent(QRect(100, 10, 50, 200), QSize(200, 100)), QSize(151, 211));
  WheelAccumulator wheel;
  EXPECT_EQ(wheel.Add(40), 0);
  EXPECT_EQ(wheel.Add(40), 0);
  EXPECT_EQ(wheel.Add(50), 1);
  EXPECT_EQ(wheel.Add(-130), -1);  // 10 left over, then -130: one notch back
  EXPECT_EQ(wheel.Add(240), 2);
}

}  // namespace
