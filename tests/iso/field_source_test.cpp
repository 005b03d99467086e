#include "iso/field_source.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

TEST(FieldSourceTest, StrengthTenGivesOneAtTenAndAHundredthAtAHundred) {
  FieldSourceList list;
  ASSERT_EQ(list.addSource(10.0f), 0);
  list.setSourcePosition(0, 1.0f, 2.0f, 3.0f);
  EXPECT_EQ(list.valueAt(11.0f, 2.0f, 3.0f), 1.0f);
  EXPECT_EQ(list.valueAt(1.0f, 2.0f, -97.0f), 0.01f);
  EXPECT_EQ(list.valueAt(1.0f, -4.0f, 11.0f), 1.0f);  // (0, -6, 8): distance 10
}

TEST(FieldSourceTest, NoSourcesGiveZero) {
  const FieldSourceList list;
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.valueAt(0.0f, 0.0f, 0.0f), 0.0f);
  EXPECT_EQ(list.valueAt(-5.0f, 7.0f, 1e6f), 0.0f);
}

TEST(FieldSourceTest, SourcesAreNumberedInOrderAndSummed) {
  FieldSourceList list;
  EXPECT_EQ(list.addSource(10.0f), 0);
  EXPECT_EQ(list.addSource(10.0f), 1);
  EXPECT_EQ(list.addSource(-20.0f), 2);  // strength is squared: 400
  EXPECT_EQ(list.addSource(0.5f), 3);
  EXPECT_EQ(list.count, 4);
  // All at the origin: at distance 10, 1 + 1 + 4 + 0.0025.
  EXPECT_EQ(list.valueAt(0.0f, 10.0f, 0.0f), ((1.0f + 1.0f) + 4.0f) + 0.0025f);
}

TEST(FieldSourceTest, PositionsOutsideTheListAreIgnored) {
  FieldSourceList list;
  list.addSource(10.0f);
  list.addSource(10.0f);
  list.setSourcePosition(2, 50.0f, 0.0f, 0.0f);
  list.setSourcePosition(-1, 50.0f, 0.0f, 0.0f);
  EXPECT_EQ(list.valueAt(10.0f, 0.0f, 0.0f), 2.0f);
  list.setSourcePosition(1, 20.0f, 0.0f, 0.0f);
  EXPECT_EQ(list.valueAt(10.0f, 0.0f, 0.0f), 2.0f);  // both now 10 away
  EXPECT_EQ(list.valueAt(0.0f, 10.0f, 0.0f), 1.0f + 100.0f / 500.0f);
}

TEST(FieldSourceTest, SumIsRoundedToFloatAfterEachAddition) {
  FieldSourceList list;
  list.addSource(4096.0f);  // 2^24 at distance 1
  list.addSource(1.0f);
  list.addSource(1.0f);
  list.setSourcePosition(0, 1.0f, 0.0f, 0.0f);
  list.setSourcePosition(1, 0.0f, 1.0f, 0.0f);
  list.setSourcePosition(2, 0.0f, 0.0f, 1.0f);
  // 2^24 + 1 rounds back to 2^24 twice; summed in double it would be 2^24 + 2.
  EXPECT_EQ(list.valueAt(0.0f, 0.0f, 0.0f), 16777216.0f);
}

}  // namespace
}  // namespace orvanta
