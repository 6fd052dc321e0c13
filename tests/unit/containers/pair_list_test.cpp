// PairList: definition order, lookups by name, prefix and position, removal.
#include "containers/pair_list.h"

#include <gtest/gtest.h>

namespace containers {
namespace {

TEST(PairList, DefineKeepsOrderAndReplacesInPlace) {
  PairList l;
  EXPECT_EQ(l.define("", "x"), nullptr);
  EXPECT_EQ(l.define("A", ""), nullptr);
  l.define("True", "1");
  l.define("False", "0");
  PairNode* line = l.define("__LINE__", "0");
  EXPECT_EQ(l.define("True", "yes"), l.node_at(0));
  EXPECT_EQ(l.count(), 3);
  EXPECT_EQ(*l.value_of("True"), "yes");
  EXPECT_EQ(*l.name_at(2), "__LINE__");
  EXPECT_EQ(l.node_at(2), line);
  EXPECT_EQ(std::get<std::string>(*l.value_at(1)), "0");
  EXPECT_EQ(l.name_at(3), nullptr);
  EXPECT_EQ(l.value_at(-1), nullptr);
  EXPECT_EQ(l.node_at(3), nullptr);
}

TEST(PairList, NamesCompareExactlyUnlessIgnoringCase) {
  PairList l;
  l.define("Name", "v");
  EXPECT_EQ(l.find("name"), nullptr);
  EXPECT_EQ(l.value_of("name"), nullptr);
  l.set_ignore_case(true);
  EXPECT_EQ(l.find("NAME"), l.node_at(0));
  EXPECT_EQ(l.find("NAx", 2), l.node_at(0));
  EXPECT_EQ(l.find("Nam", 4), nullptr);  // a shorter name differs at the end
}

TEST(PairList, IntegersNamesWithoutValueAndObjects) {
  PairList l;
  int a = 0, b = 0;
  l.add_integer("count", 42);
  l.add_name("bare");
  PairNode* first = l.add_object(&a);
  l.add_object(&b);
  EXPECT_EQ(l.add_object(&a), first);
  EXPECT_EQ(l.add_object(nullptr), nullptr);
  EXPECT_EQ(l.count(), 4);
  EXPECT_EQ(l.integer_value_of("count"), 42);
  EXPECT_EQ(l.value_of("count"), nullptr);
  EXPECT_EQ(l.integer_value_of("bare"), 0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(l.find("bare")->value));
  EXPECT_EQ(l.name_at(2), nullptr);  // object keys have no name
  l.add_integer("count", 7);
  EXPECT_EQ(l.integer_value_of("count"), 7);
  EXPECT_EQ(l.count(), 4);
}

TEST(PairList, RemoveFirstMatchAndDestroy) {
  PairList l;
  l.define("alpha", "1");
  l.define("alps", "2");
  l.define("beta", "3");
  EXPECT_FALSE(l.remove("al"));
  EXPECT_TRUE(l.remove("alXX", 2));
  EXPECT_EQ(*l.name_at(0), "alps");
  EXPECT_TRUE(l.remove("beta"));
  EXPECT_EQ(l.count(), 1);
  EXPECT_FALSE(l.destroyed());
  l.destroy();
  EXPECT_TRUE(l.destroyed());
  EXPECT_EQ(l.count(), 0);
  EXPECT_EQ(l.find("alps"), nullptr);
}

}  // namespace
}  // namespace containers
