#include <cstdint>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "model/collection/ArrayList.h"
#include "model/collection/Hashtable.h"
#include "model/collection/IndexTable.h"
#include "model/collection/SmallList.h"
#include "model/TableShift.h"

namespace quadrell {
namespace {

TEST(HashtableTest, GrowsAtHalfLoadInTheFixedSteps) {
  Hashtable<intptr_t> table;
  EXPECT_EQ(table.Capacity(), 17);
  std::vector<int64_t> capacities;
  for (int key = 1; key <= 60; ++key) {
    table.Put(key, key * 10);
    if (capacities.empty() || capacities.back() != table.Capacity()) capacities.push_back(table.Capacity());
    if (key == 8) {
      EXPECT_EQ(table.Capacity(), 17);
    }
    if (key == 9) {
      EXPECT_EQ(table.Capacity(), 25);
    }
    if (key == 13) {
      EXPECT_EQ(table.Capacity(), 37);
    }
  }
  EXPECT_EQ(capacities, (std::vector<int64_t>{17, 25, 37, 55, 83, 125}));
  for (int key = 1; key <= 60; ++key) EXPECT_EQ(table.Get(key), key * 10);
  // Overwriting does not count as a new key.
  table.Put(5, 7);
  EXPECT_EQ(table.Get(5), 7);
  EXPECT_EQ(table.Count(), 60);
}

TEST(HashtableTest, NegativeAndExtremeKeysAreDistinct) {
  Hashtable<intptr_t> table;
  const int32_t keys[] = {5, -5, 0, INT32_MIN, INT32_MAX, -1, 17, 34};
  for (int32_t k : keys) table.Put(k, static_cast<intptr_t>(k) * 2 + 1);
  for (int32_t k : keys) EXPECT_EQ(table.Get(k), static_cast<intptr_t>(k) * 2 + 1) << k;
  EXPECT_EQ(table.Get(6), 0);
}

TEST(HashtableTest, NullStandsForRemovalAndStillCounts) {
  Hashtable<int*> table;
  int a = 1, b = 2;
  table.Put(1, &a);
  table.Put(2, &b);
  table.Put(1, nullptr);
  EXPECT_EQ(table.Get(1), nullptr);
  EXPECT_EQ(table.Count(), 2);
  std::vector<int*> seen;
  for (table.ResetIterator(); table.HasNext();) seen.push_back(table.Next());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(std::set<int*>(seen.begin(), seen.end()), (std::set<int*>{nullptr, &b}));
  // Keys whose value is null still count towards growth.
  for (int k = 3; k <= 9; ++k) table.Put(k, nullptr);
  EXPECT_EQ(table.Capacity(), 25);
}

TEST(HashtableTest, IterationAndClear) {
  Hashtable<intptr_t> table;
  table.ResetIterator();
  EXPECT_FALSE(table.HasNext());
  for (int k = 0; k < 100; ++k) table.Put(k * 7919, k + 1);
  intptr_t sum = 0;
  int count = 0;
  for (table.ResetIterator(); table.HasNext(); ++count) sum += table.Next();
  EXPECT_EQ(count, 100);
  EXPECT_EQ(sum, 5050);
  int64_t capacity = table.Capacity();
  table.Clear();
  EXPECT_EQ(table.Capacity(), capacity);
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Get(7919), 0);
  table.ResetIterator();
  EXPECT_FALSE(table.HasNext());
}

TEST(ArrayListTest, GrowthRemovalAndBounds) {
  ArrayList<intptr_t> list;
  std::vector<int64_t> capacities{list.Capacity()};
  for (int i = 0; i < 90; ++i) {
    list.Add(i % 3);
    if (list.Capacity() != capacities.back()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int64_t>{17, 26, 39, 58, 87, 130}));
  EXPECT_EQ(list.Count(), 90);
  EXPECT_EQ(list.Get(-1), 0);
  EXPECT_EQ(list.Get(90), 0);
  EXPECT_EQ(list.Get(4), 1);
  list.Remove(1);
  EXPECT_EQ(list.Count(), 60);
  std::vector<intptr_t> order;
  list.ForEach([&](intptr_t item) { order.push_back(item); });
  EXPECT_EQ(order[0], 0);
  EXPECT_EQ(order[1], 2);
  EXPECT_EQ(order[2], 0);
}

// Keys near 0 live in the array, far or negative ones in the hashtable; both
// answer alike, and null removes.
TEST(IndexTableTest, DenseAndFarKeysAnswerAlike) {
  IndexTable<int*> table;
  EXPECT_EQ(table.Capacity(), 0);
  int values[8] = {};
  const int32_t keys[] = {0, 1, 2, 5, 16383, -1, 1048576, 3};
  for (int i = 0; i < 8; ++i) table.Put(keys[i], &values[i]);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(table.Get(keys[i]), &values[i]) << keys[i];
  EXPECT_EQ(table.Get(4), nullptr);
  EXPECT_EQ(table.Get(16382), nullptr);
  EXPECT_LT(table.MemoryBytes(), 1024u);  // the far keys did not stretch the array
  table.Put(16383, nullptr);
  table.Put(1, nullptr);
  std::set<int32_t> seen;
  table.ForEachSlot([&](int32_t key, int* value) {
    if (value) seen.insert(key);
  });
  EXPECT_EQ(seen, (std::set<int32_t>{-1, 0, 2, 3, 5, 1048576}));
}

TEST(IndexTableTest, ShiftsAcrossTheArrayEnd) {
  IndexTable<int*> table;
  int a = 1, b = 2, c = 3;
  table.Reserve(3, 3);
  EXPECT_EQ(table.Capacity(), 3);
  table.Put(0, &a);
  table.Put(1, &b);
  table.Put(2, &c);
  ShiftEntriesUp(table, 1, 2, [](int*, int32_t) {});
  EXPECT_EQ(table.Get(0), &a);
  EXPECT_EQ(table.Get(1), nullptr);
  EXPECT_EQ(table.Get(2), &b);
  EXPECT_EQ(table.Get(3), &c);
  EXPECT_EQ(ShiftEntriesDown(table, 0, 3, [](int*, int32_t) {}), &a);
  EXPECT_EQ(table.Get(0), nullptr);
  EXPECT_EQ(table.Get(1), &b);
  EXPECT_EQ(table.Get(2), &c);
  EXPECT_EQ(table.Get(3), nullptr);
}

TEST(SmallListTest, KeepsOrderFromOneItemToMany) {
  SmallList<intptr_t> list;
  EXPECT_TRUE(list.empty());
  for (intptr_t i = 1; i <= 9; ++i) {
    list.push_back(i);
    ASSERT_EQ(list.size(), static_cast<size_t>(i));
    EXPECT_EQ(list.back(), i);
  }
  list.erase(list.begin() + 2);  // 3
  list.erase(list.begin());      // 1
  list.pop_back();               // 9
  EXPECT_EQ(std::vector<intptr_t>(list.begin(), list.end()), (std::vector<intptr_t>{2, 4, 5, 6, 7, 8}));
  SmallList<intptr_t> one;
  one.push_back(7);
  one.erase(one.begin());
  EXPECT_TRUE(one.empty());
  one.push_back(8);
  EXPECT_EQ(one[0], 8);
}

}  // namespace
}  // namespace quadrell
