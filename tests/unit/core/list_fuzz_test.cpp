// Random texts made of the characters the list readers treat specially must
// never make a reader or a list command read outside its text (run under the
// sanitizer build), and the cached forms must agree with fresh reads.
#include <gtest/gtest.h>

#include <random>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "support/script_harness.h"

namespace core {
namespace {

std::string random_text(std::mt19937& gen) {
  static const char kChars[] = "{}\"  \t\r\n\\ab$[]";
  std::uniform_int_distribution<size_t> len(0, 24);
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string s(len(gen), ' ');
  for (char& c : s) c = kChars[pick(gen)];
  return s;
}

TEST(ListFuzz, ReadersStayInsideTheirText) {
  std::mt19937 gen(7);
  for (int n = 0; n < 20000; ++n) {
    std::string s = random_text(gen);
    Value v(s);
    bool warning = false;
    auto plain = list_read_standard(s, &warning, true);
    auto form = list_standard(v);
    ASSERT_EQ(form->elements.size(), plain.size()) << s;
    EXPECT_EQ(form->warning, warning) << s;
    EXPECT_EQ(form->count(false), list_count_standard(s, false)) << s;
    EXPECT_EQ(list_words(v)->size(), list_read_words(s).size()) << s;
    auto elements = list_elements(v);
    for (const Value& e : *elements) EXPECT_FALSE(e.empty()) << s;
    std::string stripped = s;
    (void)brace_strip(stripped);
    (void)list_join(plain);
  }
}

TEST(ListFuzz, CommandsNeverFaultOnOddLists) {
  std::mt19937 gen(11);
  auto interp = testing_support::fresh_interp();
  // Bracketed fragments of the random texts must not reach the shell.
  core::Switches saved = core::switches();
  core::switches().autoexec = 0;
  core::switches().verbose = 0;
  const char* script =
      "catch {lindex $v 1 0}; catch {lindex $v end-1}; catch {lrange $v 0 end}; "
      "catch {lreplace $v 1 end x}; catch {lreverse $v}; catch {lsearch -all -inline $v *}; "
      "catch {lsort $v}; catch {join $v -}; catch {split $v {}}; catch {llength $v}; "
      "catch {lassign $v p q}; set w $v; catch {lset w 1 0 z}; set w $v; catch {lset w end z}; "
      "catch {lappend w $v}; catch {subst $v}";
  for (int n = 0; n < 3000; ++n) {
    std::string s = random_text(gen);
    ASSERT_EQ(core::set_variable(*interp, "v", Value(s)), 0);
    (void)testing_support::run_script(*interp, script);
  }
  core::switches() = saved;
}

}  // namespace
}  // namespace core
