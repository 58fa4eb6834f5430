// Tests of the typed lists: order, out-of-range access, removal, ownership and copies.
#include "base/Deque.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Counts the live instances, so tests can see when a list destroys its elements.
struct Counted {
  explicit Counted(int v) : value(v) { ++alive; }
  Counted(const Counted &) = delete;
  Counted &operator=(const Counted &) = delete;
  ~Counted() { --alive; }
  int value;
  static inline int alive = 0;
};

using CountedDeque = PtrDeque<Counted>;

std::vector<int> values(const CountedDeque &list) {
  std::vector<int> v;
  for (const Counted &c : list)
    v.push_back(c.value);
  return v;
}

} // namespace

TEST(Deque, KeepsOrderPastTheFirstAllocation) {
  CountedDeque list;
  EXPECT_EQ(nullptr, list.last());
  for (int i = 0; i < 61; ++i)
    list.add(std::make_unique<Counted>(i));
  ASSERT_EQ(61, list.count());
  for (int i = 0; i < 61; ++i)
    EXPECT_EQ(i, list.get(i)->value);
  EXPECT_EQ(60, list.last()->value);
}

TEST(Deque, OutOfRange) {
  CountedDeque list;
  list.add(std::make_unique<Counted>(1));
  list.add(std::make_unique<Counted>(2));
  EXPECT_EQ(nullptr, list.get(-1));
  EXPECT_EQ(nullptr, list.get(2));
  EXPECT_EQ(nullptr, list.entryAt(2));
  list.removeAt(-1);
  list.removeAt(2);
  EXPECT_EQ((std::vector<int>{1, 2}), values(list));

  StringDeque strings;
  strings.add("a");
  strings.add("b");
  EXPECT_EQ(SString(), strings.get(5));
  EXPECT_EQ(SString(), strings.get(-1));
  // One shared empty string, not a temporary.
  EXPECT_EQ(&strings.get(5), &StringDeque().last());
}

TEST(Deque, RemovalDestroysAndCloses) {
  Counted::alive = 0;
  {
    CountedDeque list;
    for (int i = 1; i <= 4; ++i)
      list.add(std::make_unique<Counted>(i));
    list.removeAt(0);
    EXPECT_EQ((std::vector<int>{2, 3, 4}), values(list));
    EXPECT_EQ(3, Counted::alive);
    list.removeLast();
    EXPECT_EQ((std::vector<int>{2, 3}), values(list));
    EXPECT_EQ(2, Counted::alive);
    list.clear();
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(0, Counted::alive);
    list.add(std::make_unique<Counted>(9));
    list.removeLast();
    list.removeLast(); // on an empty list: nothing
    list.add(std::make_unique<Counted>(5));
  }
  EXPECT_EQ(0, Counted::alive); // destroying the list destroys its elements
}

TEST(Deque, BorrowedElementsAreNotDestroyed) {
  Counted::alive = 0;
  Counted outside(7);
  {
    CountedDeque list;
    list.addBorrowed(&outside);
    EXPECT_EQ(7, list.get(0)->value);
  }
  EXPECT_EQ(1, Counted::alive);
}

TEST(Deque, StringDequeStoresCopies) {
  StringDeque list;
  SString text("original");
  list.add(text);
  text.append("-changed");
  EXPECT_EQ(SString("original"), list.get(0));
  EXPECT_EQ(SString("original"), list.last());
  std::vector<std::string> seen;
  list.add("second");
  for (const SString &s : list)
    seen.push_back(s.str());
  EXPECT_EQ((std::vector<std::string>{"original", "second"}), seen);
}
