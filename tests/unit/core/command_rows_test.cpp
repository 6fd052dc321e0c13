// Registration from command tables: the table stays sorted, a name already
// present keeps its record, and a name repeated in one table keeps its first row.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "core/nuvel.h"

namespace {

core::Code first_handler(core::Interp&, int, core::Value*, void*) {
  return core::Code::Ok;
}
core::Code second_handler(core::Interp&, int, core::Value*, void*) {
  return core::Code::Ok;
}

TEST(CommandRows, MergedSortedFirstRowWins) {
  core::Interp interp;  // empty table: no families installed
  ASSERT_EQ(core::nuvelRegisterCommand(interp, "mid", first_handler, nullptr, false), 0);
  uint64_t epoch = interp.command_epoch;
  const std::array<core::CommandRow, 5> rows = {{
      {"zeta", first_handler, 1, 2, "a", 0},
      {"mid", second_handler, 1, 1, "b", 0},  // already there: ignored
      {"alpha", first_handler, 2, 3, "c", 0},
      {"zeta", second_handler, 1, 1, "d", 0},  // repeated: the first row stays
      {"beta", second_handler, 1, -1, "e", 0},
  }};
  core::register_rows(interp, rows);
  EXPECT_NE(interp.command_epoch, epoch);
  ASSERT_EQ(interp.commands.size(), 4u);
  EXPECT_EQ(interp.command_count, 4);
  EXPECT_TRUE(std::is_sorted(
      interp.commands.begin(), interp.commands.end(),
      [](const core::CommandRecord& a, const core::CommandRecord& b) { return a.name < b.name; }));
  const core::CommandRecord* zeta = core::nuvelGetCommand(interp, "zeta");
  ASSERT_NE(zeta, nullptr);
  EXPECT_EQ(zeta->handler, first_handler);
  EXPECT_EQ(std::string(zeta->usage), "a");
  EXPECT_EQ(zeta->max_words, 2);
  const core::CommandRecord* mid = core::nuvelGetCommand(interp, "mid");
  ASSERT_NE(mid, nullptr);
  EXPECT_EQ(mid->handler, first_handler);
  EXPECT_EQ(mid->usage, nullptr);
  const core::CommandRecord* alpha = core::nuvelGetCommand(interp, "alpha");
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha->min_words, 2);
  EXPECT_NE(core::nuvelGetCommand(interp, "beta"), nullptr);
  // Nothing new: the table and its epoch stay as they are.
  epoch = interp.command_epoch;
  core::register_rows(interp, std::span(rows).subspan(1, 2));
  EXPECT_EQ(interp.command_epoch, epoch);
  EXPECT_EQ(interp.commands.size(), 4u);
}

// Names alike in their first eight bytes, names that begin others and bytes
// above 127 sort byte for byte; a repeated long name keeps its first row.
TEST(CommandRows, LongAndHighByteNamesSortByteForByte) {
  core::Interp interp;
  const std::array<core::CommandRow, 7> rows = {{
      {"register_b", first_handler, 1, 1, "1", 0},
      {"register_a", first_handler, 1, 1, "2", 0},
      {"register", first_handler, 1, 1, "3", 0},
      {"regist", first_handler, 1, 1, "4", 0},
      {"\xc3\xa9t\xc3\xa9", first_handler, 1, 1, "5", 0},
      {"register_a", second_handler, 1, 1, "6", 0},
      {"Zed", first_handler, 1, 1, "7", 0},
  }};
  core::register_rows(interp, rows);
  std::vector<std::string> names;
  for (const core::CommandRecord& c : interp.commands) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Zed", "regist", "register", "register_a",
                                             "register_b", "\xc3\xa9t\xc3\xa9"}));
  const core::CommandRecord* kept = core::nuvelGetCommand(interp, "register_a");
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(std::string(kept->usage), "2");
}

// A batch holds the rows of several tables back until it is flushed or
// closed, and the table it leaves is the one the tables would have made one
// by one: sorted, the first registration of a name kept.
TEST(CommandRows, BatchedTablesMatchOneByOne) {
  const std::array<core::CommandRow, 3> first = {{
      {"gamma", first_handler, 1, 1, "a", 0},
      {"alpha", first_handler, 1, 1, "b", 0},
      {"delta", first_handler, 1, 1, "c", 0},
  }};
  const std::array<core::CommandRow, 3> second = {{
      {"beta", second_handler, 1, 1, "d", 0},
      {"alpha", second_handler, 2, 2, "e", 0},  // registered before: ignored
      {"epsilon", second_handler, 1, 1, "f", 0},
  }};
  core::Interp one_by_one;
  core::register_rows(one_by_one, first);
  core::register_rows(one_by_one, second);

  core::Interp batched;
  core::open_row_batch(batched);
  core::register_rows(batched, first);
  EXPECT_EQ(core::nuvelGetCommand(batched, "gamma"), nullptr);  // held back
  core::flush_row_batch(batched);
  EXPECT_NE(core::nuvelGetCommand(batched, "gamma"), nullptr);
  core::register_rows(batched, second);
  core::close_row_batch(batched);

  ASSERT_EQ(batched.commands.size(), one_by_one.commands.size());
  for (size_t i = 0; i < batched.commands.size(); ++i) {
    EXPECT_EQ(batched.commands[i].name, one_by_one.commands[i].name);
    EXPECT_EQ(batched.commands[i].handler, one_by_one.commands[i].handler);
    EXPECT_EQ(batched.commands[i].min_words, one_by_one.commands[i].min_words);
  }
  EXPECT_EQ(core::nuvelGetCommand(batched, "alpha")->handler, first_handler);
  // Closed: rows go straight into the table again.
  const std::array<core::CommandRow, 1> late = {{{"zeta", first_handler, 1, 1, "g", 0}}};
  core::register_rows(batched, late);
  EXPECT_NE(core::nuvelGetCommand(batched, "zeta"), nullptr);
}

// A subcommand word finds its row by each row's kind of match: exactly,
// without regard to ASCII case, or as the one row it starts (an ambiguous
// or empty start finds none).
TEST(Ensembles, SubcommandsMatchByTheirRowsKind) {
  using core::Match;
  static constexpr core::EnsembleRow kRows[] = {
      {"Keys", first_handler, 2, 2, "", Match::Exact},
      {"length", first_handler, 2, 2, "", Match::NoCase},
      {"lappend", second_handler, 2, 2, "", Match::Prefix},
      {"lassign", second_handler, 2, 2, "", Match::Prefix},
      {"remove", second_handler, 2, 2, "", Match::Prefix},
      {"", second_handler, 2, 2, "", Match::NoCase},
  };
  const core::Ensemble ensemble{"thing", kRows, core::Msg{}};
  auto name_of = [&](std::string_view sub) -> std::string {
    const core::EnsembleRow* row = core::find_subcommand(ensemble, sub);
    return row ? std::string(row->name) + "." : "none";
  };
  EXPECT_EQ(name_of("Keys"), "Keys.");
  EXPECT_EQ(name_of("keys"), "none");
  EXPECT_EQ(name_of("LENGTH"), "length.");
  EXPECT_EQ(name_of("Length"), "length.");
  EXPECT_EQ(name_of("lengthy"), "none");
  EXPECT_EQ(name_of("LAPPEND"), "lappend.");
  EXPECT_EQ(name_of("lap"), "lappend.");
  EXPECT_EQ(name_of("La"), "none");
  EXPECT_EQ(name_of("R"), "remove.");
  EXPECT_EQ(name_of("x"), "none");
  EXPECT_EQ(name_of(""), ".");
}

}  // namespace
