// The variable store's invariants, for every kind of variable and every
// command that writes variables: a command either refuses and leaves the
// variable exactly as it was, or afterwards the variable's text ($v), its
// kind's own reader (dict size, array get, stack list, ...) and the store's
// table or stack all agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "containers/hash_table.h"
#include "containers/stack.h"
#include "core/var_store.h"
#include "support/script_harness.h"

namespace {

using core::Code;
using testing_support::fresh_interp;
using testing_support::run_script;

// One kind of variable: the script that makes `v` (at the global level) and,
// for links, the script that makes `v` a link inside a procedure frame.
struct Kind {
  const char* name;
  const char* global_setup;
  const char* frame_setup;  // null: `v` is used at the global level
};

const Kind kKinds[] = {
    {"plain", "set v {a 1}", nullptr},
    {"number", "set v 7", nullptr},
    {"constant", "const v {a 1}", nullptr},
    {"array", "array set v {a 1 b {2 3}}", nullptr},
    {"constant array", "array set v {a 1} -const", nullptr},
    // $v is read before the writer runs, so its cached text exists.
    {"dictionary", "dict set v a 1; dict set v b {2 3}; set seen $v", nullptr},
    {"stack", "stack create v 5; stack push v a b", nullptr},
    {"upvar link to plain", "set t {a 1}", "upvar t v"},
    {"upvar link to dictionary", "dict set t a 1; set seen $t", "upvar t v"},
    {"global link to array", "array set v {a 1}", "global v"},
    {"global link to number", "set v 4", "global v"},
    {"element link", "set arr(k) 5", "upvar arr(k) v"},
    {"upvar link to stack", "stack create t 5; stack push t a", "upvar t v"},
    // Links made before their target changed kind.
    {"link to a variable that became a dictionary", "set t 1",
     "upvar t v; set ::t [dict create a 1]"},
    {"link to a variable that became an array", "set t 1", "upvar t v; array set ::t {a 1}"},
};

// Every command that writes a variable, each aimed at `v`.
const char* const kWriters[] = {
    "set v x",
    "set v(k) x",
    "variable v {c 3}",
    "append v x",
    "lappend v x",
    "incr v",
    "incr v(k)",
    "++ v",
    "+++ v",
    "+= v 2",
    "*= v 3",
    "let v = 5",
    "let v ++",
    "let v(k) ++",
    "unset v",
    "unset v(a)",
    "array set v {c 3}",
    "array unset v",
    "array unset v(a)",
    "array setint v {p q}",
    "array trim v",
    "dict set v c 3",
    "dict set v a n 1",
    "dict unset v a",
    "dict append v a x",
    "dict lappend v a x",
    "dict clear v",
    "set v [dict create c 3]",
    "stack push v z",
    "stack pop v",
    "stack clear v",
    "stack unset v",
    "proc p {} {upvar v(a) x; set x 9}; p",
    "proc p {} {upvar v w; set w 9}; p",
    "proc p {} {global v; append v y}; p",
    "lset v 0 x",
    "toupper v -var",
    "string toupper v -var",
    "trim v -var",
    "trimprefix v a",
    "mid v x 1",
    "chomp v",
    "list_to_array {p q} v",
    "string_to_array pq v -chars -append",
    "swap v t",
};

// Everything a script can see of `v`, for the refuse-changes-nothing check.
const char* const kSnapshot =
    "list [catch {set v} r] $r [is_set v] [is_array v] [catch {array get v -nocomplain} r] $r "
    "[catch {dict size v} r] $r [catch {stack list v} r] $r [catch {set t} r] $r "
    "[catch {set arr(k)} r] $r";

std::string eval_text(core::Interp& interp, std::string_view script) {
  return run_script(interp, script).result;
}

// The agreement checks after a command succeeded.
void expect_consistent(core::Interp& interp, const std::string& where) {
  SCOPED_TRACE(where);
  vars::VarRef var = vars::lookup(interp, "v");
  if (!var) {
    EXPECT_EQ(eval_text(interp, "is_set v"), "0");
    return;
  }
  core::Interp& in = interp;
  if (vars::VarRef dict = vars::as_dict(in, "v")) {
    const containers::hash_table& table = *dict.table();
    // $v is the text of the table as it is now, and every reader agrees.
    EXPECT_EQ(eval_text(in, "set v"), vars::table_text(table));
    EXPECT_EQ(eval_text(in, "dict size v"), std::to_string(table.count()));
    EXPECT_EQ(eval_text(in, "llength $v"), std::to_string(2 * table.count()));
    table.for_each([&](const std::string& key, const core::Value& value) {
      EXPECT_EQ(eval_text(in, "dict get $v {" + key + "}"), value.view()) << key;
      EXPECT_EQ(eval_text(in, "dict exists v {" + key + "}"), "1") << key;
    });
    return;
  }
  if (vars::VarRef array = vars::as_array(in, "v")) {
    const containers::hash_table* table = array.table();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(eval_text(in, "array size v"), std::to_string(table->count()));
    EXPECT_EQ(eval_text(in, "llength [array names v]"), std::to_string(table->count()));
    table->for_each([&](const std::string& key, const core::Value& value) {
      EXPECT_EQ(eval_text(in, "set v(" + key + ")"), value.view()) << key;
    });
    return;
  }
  if (vars::VarRef stack = vars::as_stack(in, "v")) {
    std::shared_ptr<const containers::Stack> items = stack.stack();
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(eval_text(in, "stack count v"), std::to_string(items->count()));
    EXPECT_EQ(eval_text(in, "llength [stack list v]"), std::to_string(items->count()));
    return;
  }
  // A plain variable (or a link to one): $v is the value the store holds,
  // and a link shows its target's value.
  EXPECT_EQ(eval_text(in, "set v"), var.value().view());
  if (var.is_element_link()) {
    EXPECT_EQ(eval_text(in, "set v"), eval_text(in, "set ::arr(k)"));
  } else if (var.is_link() && var.target()) {
    EXPECT_EQ(eval_text(in, "set v"), var.target().value().view());
  }
}

// Runs one writer on one kind: refuses without a change, or stays consistent.
void check(const Kind& kind, const char* writer) {
  std::string where = std::string(kind.name) + " <- " + writer;
  SCOPED_TRACE(where);
  auto interp = fresh_interp();
  ASSERT_EQ(run_script(*interp, kind.global_setup).code, Code::Ok);
  std::optional<vars::FrameGuard> frame;
  if (kind.frame_setup) {
    frame.emplace(*interp, "caller");
    ASSERT_EQ(run_script(*interp, kind.frame_setup).code, Code::Ok);
  }
  std::string before = eval_text(*interp, kSnapshot);
  auto run = run_script(*interp, writer);
  if (run.code == Code::Ok) {
    expect_consistent(*interp, where);
  } else {
    EXPECT_EQ(eval_text(*interp, kSnapshot), before) << "refused, yet changed: " << run.errorMsg;
  }
}

TEST(VarStoreInvariants, EveryWriterOnEveryKindRefusesCleanlyOrStaysConsistent) {
  for (const Kind& kind : kKinds) {
    for (const char* writer : kWriters) check(kind, writer);
  }
}

// Two writers in a row see each other's changes through every reader.
TEST(VarStoreInvariants, ChangesThroughOneFamilyShowInTheOthers) {
  for (const Kind& kind : kKinds) {
    for (const char* first : {"dict set v q 1", "array set v {q 1}", "set v(q) 1"}) {
      for (const char* second : {"dict unset v q", "unset v(q)", "array set v {r 2}"}) {
        std::string where = std::string(kind.name) + " <- " + first + "; " + second;
        SCOPED_TRACE(where);
        auto interp = fresh_interp();
        ASSERT_EQ(run_script(*interp, kind.global_setup).code, Code::Ok);
        std::optional<vars::FrameGuard> frame;
        if (kind.frame_setup) {
          frame.emplace(*interp, "caller");
          ASSERT_EQ(run_script(*interp, kind.frame_setup).code, Code::Ok);
        }
        for (const char* step : {first, "set seen $v", second}) {
          std::string before = eval_text(*interp, kSnapshot);
          auto run = run_script(*interp, step);
          if (run.code == Code::Ok) {
            expect_consistent(*interp, where);
          } else {
            EXPECT_EQ(eval_text(*interp, kSnapshot), before) << step;
          }
        }
      }
    }
  }
}

// A dictionary read as text and then changed by an array command reads with
// the change: the text form follows the table.
TEST(VarStoreInvariants, DictionaryTextFollowsAnArrayWrite) {
  auto interp = fresh_interp();
  auto r = run_script(*interp, "dict set d a 1; puts $d; array set d b 2; list [dict size d] $d");
  ASSERT_EQ(r.code, Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result, "2 {b 2 a 1}");
  EXPECT_EQ(eval_text(*interp, "dict get $d a"), "1");
  EXPECT_EQ(eval_text(*interp, "dict get $d b"), "2");
}

// upvar of an element of a dictionary fails and leaves the dictionary alone.
TEST(VarStoreInvariants, FailedElementLinkChangesNothing) {
  auto interp = fresh_interp();
  auto r = run_script(*interp, "dict set d a 1; proc p {} {upvar d(a) x}; catch p; list $d");
  ASSERT_EQ(r.code, Code::Ok);
  EXPECT_EQ(r.result, "{a 1}");
  r = run_script(*interp, "p");
  EXPECT_EQ(r.code, Code::Error);
  EXPECT_EQ(r.errorMsg, "upvar: Variable 'd(a)' not found (could not be created)");
  EXPECT_EQ(eval_text(*interp, "list [dict size d] [dict get $d a] [is_set x]"), "1 1 0");
  // A missing element of an array is still made so that the link can hold it.
  r = run_script(*interp, "set arr(k) 1; proc q {} {upvar arr(n) y; set y 5}; q; set arr(n)");
  EXPECT_EQ(r.result, "5");
}

// The text form is the table's: a dictionary text handed out before a change
// is not taken for the table afterwards.
TEST(VarStoreInvariants, OldDictionaryTextIsNotTheTable) {
  auto interp = fresh_interp();
  auto r = run_script(*interp, "dict set d a 1; set old $d; dict set d a 2; dict get $old a");
  ASSERT_EQ(r.code, Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result, "1");
  EXPECT_EQ(eval_text(*interp, "dict get $d a"), "2");
}

}  // namespace
