// The variable store: frames, global names, links, constants and elements.
#include <gtest/gtest.h>

#include "containers/hash_table.h"
#include "core/var.h"
#include "support/script_harness.h"

namespace {

using core::Value;
using testing_support::fresh_interp;
using testing_support::run_script;
using vars::FrameGuard;

// Makes `local` in the current frame a link to `target` (as upvar does).
vars::Var* link(core::Interp& interp, std::string_view local, std::string_view target_name,
                core::CallFrame* target_frame) {
  vars::VarPtr target;
  for (auto& v : target_frame->vars) {
    if (v->name == target_name) target = v;
  }
  auto rec = std::make_shared<vars::Var>();
  rec->name = std::string(local);
  rec->value = target ? target->value : Value();
  rec->parent = target;
  rec->has_parent = true;
  rec->level = interp.callframe->level;
  vars::add_var_record(*interp.callframe, rec);
  return rec.get();
}

TEST(Variables, ProcedureFramesDoNotSeeGlobalsWithoutPrefix) {
  auto interp = fresh_interp();
  ASSERT_EQ(vars::set_var(*interp, "x", Value("g")), 0);
  FrameGuard frame(*interp, "p");
  EXPECT_EQ(vars::nuvelGetVar(*interp, "x"), nullptr);
  ASSERT_NE(vars::nuvelGetVar(*interp, "::x"), nullptr);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "::x")->value.view(), "g");
  ASSERT_EQ(vars::set_var(*interp, "::y", Value("new")), 0);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "y"), nullptr);
  EXPECT_EQ(vars::frame_at_level(*interp, 0), interp->global_frame.get());
  EXPECT_EQ(vars::frame_at_level(*interp, -3), interp->global_frame.get());
}

TEST(Variables, FrameVariablesGoWithTheFrame) {
  auto interp = fresh_interp();
  {
    FrameGuard frame(*interp, "p");
    ASSERT_EQ(vars::set_var(*interp, "local", Value("1")), 0);
    EXPECT_EQ(frame.frame().level, 1);
  }
  EXPECT_EQ(interp->callframe, interp->global_frame.get());
  EXPECT_EQ(vars::nuvelGetVar(*interp, "local"), nullptr);
}

TEST(Variables, LinksReadTheTargetsCurrentValue) {
  auto interp = fresh_interp();
  ASSERT_EQ(vars::set_var(*interp, "n", Value("1")), 0);
  FrameGuard outer(*interp, "outer");
  link(*interp, "n", "n", interp->global_frame.get());
  // Another procedure changes the global through its own link.
  {
    FrameGuard inner(*interp, "bump");
    link(*interp, "n", "n", interp->global_frame.get());
    ASSERT_EQ(vars::access_var(*interp, "n", nullptr, true), 0);
    Value two("2");
    ASSERT_EQ(vars::access_var(*interp, "n", &two, true), 0);
  }
  ASSERT_NE(vars::nuvelGetVar(*interp, "n"), nullptr);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "n")->value.view(), "2");
}

TEST(Variables, AssigningThroughAChainOfThreeUpdatesAll) {
  auto interp = fresh_interp();
  ASSERT_EQ(vars::set_var(*interp, "a", Value("0")), 0);
  core::CallFrame* global = interp->global_frame.get();
  FrameGuard f1(*interp, "p1");
  link(*interp, "b", "a", global);
  core::CallFrame* level1 = interp->callframe;
  FrameGuard f2(*interp, "p2");
  link(*interp, "c", "b", level1);
  ASSERT_EQ(vars::set_var(*interp, "c", Value("7")), 0);
  for (auto* frame : {global, level1}) {
    for (auto& v : frame->vars) {
      if (v->name == "a" || v->name == "b") {
        EXPECT_EQ(v->value.view(), "7") << v->name;
      }
    }
  }
}

TEST(Variables, ALinkWhoseTargetIsGoneReadsAsMissing) {
  auto interp = fresh_interp();
  ASSERT_EQ(vars::set_var(*interp, "t", Value("v")), 0);
  FrameGuard frame(*interp, "p");
  link(*interp, "l", "t", interp->global_frame.get());
  ASSERT_EQ(vars::delete_var(*interp, "::t"), 1);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "l"), nullptr);
  // The name can be used again afterwards.
  ASSERT_EQ(vars::set_var(*interp, "l", Value("fresh")), 0);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "l")->value.view(), "fresh");
}

TEST(Variables, GlobalLinkReadThroughPrefixShowsBracesForEmptyTarget) {
  auto interp = fresh_interp();
  ASSERT_EQ(vars::set_var(*interp, "target", Value("")), 0);
  link(*interp, "g", "target", interp->global_frame.get());
  FrameGuard frame(*interp, "p");
  ASSERT_NE(vars::nuvelGetVar(*interp, "::g"), nullptr);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "::g")->value.view(), "{}");
}

TEST(Variables, Constants) {
  auto interp = fresh_interp();
  ASSERT_EQ(vars::define_const(*interp, "k", Value("1"), false, false), 0);
  Value two("2");
  auto run = run_script(*interp, "set k 2");
  EXPECT_EQ(run.code, core::Code::Error);
  EXPECT_EQ(run.errorMsg, "set: Variable type const object 'k' not handled");
  EXPECT_EQ(vars::define_const(*interp, "k", Value("3"), false, false), 1);
  EXPECT_EQ(vars::define_const(*interp, "k", Value("3"), false, true), 0);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "k")->value.view(), "3");
  FrameGuard frame(*interp, "p");
  ASSERT_EQ(vars::define_const(*interp, "local_k", Value("x"), false, false), 0);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "local_k")->level, 0);
}

TEST(Variables, TypeNames) {
  EXPECT_STREQ(vars::var_type_name(0), "auto");
  EXPECT_STREQ(vars::var_type_name(7), "dictionary");
  EXPECT_STREQ(vars::var_type_name(10), "list");
  EXPECT_STREQ(vars::var_type_name(11), "error");
  EXPECT_STREQ(vars::var_type_name(-1), "error");
}

TEST(Variables, ElementNames) {
  auto interp = fresh_interp();
  EXPECT_EQ(run_script(*interp, "set a(x) 1; set a(x)").result, "1");
  EXPECT_EQ(run_script(*interp, "set a(\"q\") 2; set a(q)").result, "2");
  EXPECT_EQ(run_script(*interp, "set a(b\\ c) 3; set a(b c)").result, "3");
  // Reading an array by name gives nothing; its value is "<array>".
  EXPECT_EQ(run_script(*interp, "set a").result, "");
  EXPECT_EQ(run_script(*interp, "set b $a").result, "<array>");
  auto missing = run_script(*interp, "set a(nope)");
  EXPECT_EQ(missing.code, core::Code::Error);
  EXPECT_EQ(missing.errorMsg, "set: No such array element a(nope)");
  EXPECT_EQ(run_script(*interp, "set a() 1").errorMsg, "set: Syntax error 'a()'");
  EXPECT_EQ(run_script(*interp, "set a(x 1").errorMsg, "set: Syntax error 'a(x'");
  // Keys are exact: a different case is a different element.
  EXPECT_EQ(run_script(*interp, "set c(ABC) up; set c(abc) down; set c(ABC)").result, "up");
  EXPECT_EQ(run_script(*interp, "set ::g(1) one; set ::g(1)").result, "one");
}

TEST(Variables, ElementLinkWritesTheElement) {
  auto interp = fresh_interp();
  ASSERT_EQ(run_script(*interp, "set arr(k) old").code, core::Code::Ok);
  vars::VarPtr array;
  for (auto& v : interp->global_frame->vars) {
    if (v->name == "arr") array = v;
  }
  ASSERT_TRUE(array);
  FrameGuard frame(*interp, "p");
  auto rec = std::make_shared<vars::Var>();
  rec->name = "e";
  rec->parent = array;
  rec->has_parent = true;
  rec->more().subscript = "k";
  rec->level = 1;
  vars::add_var_record(*interp->callframe, rec);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "e")->value.view(), "old");
  ASSERT_EQ(vars::set_var(*interp, "e", Value("new")), 0);
  Value v;
  ASSERT_TRUE(array->table->get("k", &v));
  EXPECT_EQ(v.view(), "new");
}

TEST(Variables, StartupVariables) {
  auto interp = fresh_interp();
  EXPECT_EQ(run_script(*interp, "set argc").result, "0");
  EXPECT_EQ(run_script(*interp, "set tcl_version").result, "1.26");
  EXPECT_EQ(run_script(*interp, "set qbf").result, "The quick brown fox jumps over the lazy dog");
  EXPECT_EQ(run_script(*interp, "set autoexec_ran 1").code, core::Code::Ok);
  EXPECT_EQ(run_script(*interp, "set pi 3").code, core::Code::Error);
  EXPECT_EQ(run_script(*interp, "set env(PATH) x").code, core::Code::Error);
}

// Large frames leave holes where records were removed and keep an index of
// the newest record of each name: random adds (names repeat, so records
// shadow older ones) and removals must leave look-ups, the newest-first
// record listing and the older-record walk exactly as a plain list would.
TEST(Variables, LargeFramesMatchAPlainListThroughRandomAddsAndRemovals) {
  auto interp = fresh_interp();
  FrameGuard guard(*interp, "p");
  core::CallFrame& frame = guard.frame();
  std::vector<std::pair<std::string, vars::Var*>> model;  // oldest first
  uint32_t seed = 777;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 6000; ++round) {
    if (model.size() < 20 || next(5) < 3) {
      auto rec = std::make_shared<vars::Var>();
      rec->name = "v" + std::to_string(next(60));
      rec->value = Value(std::to_string(round));
      model.emplace_back(rec->name, rec.get());
      vars::add_var_record(frame, rec);
    } else {
      size_t at = next(static_cast<uint32_t>(model.size()));
      ASSERT_TRUE(vars::remove_from_frame(frame, vars::VarRef(model[at].second)));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    }
    if (round % 50 != 0) continue;
    for (int n = 0; n < 60; ++n) {
      std::string name = "v" + std::to_string(n);
      vars::Var* newest = nullptr;
      for (const auto& [key, rec] : model) {
        if (key == name) newest = rec;
      }
      ASSERT_EQ(vars::nuvelGetVar(*interp, name), newest) << name << " round " << round;
    }
    std::vector<vars::VarRef> listed = vars::frame_records(frame);
    ASSERT_EQ(listed.size(), model.size());
    for (size_t k = 0; k < model.size(); ++k) {
      ASSERT_EQ(listed[k].record(), model[model.size() - 1 - k].second);
    }
    for (size_t k = 1; k < model.size(); k += 7) {
      ASSERT_EQ(vars::older_record(*interp, vars::VarRef(model[k].second)).record(),
                model[k - 1].second);
    }
  }
}

// A large frame emptied record by record becomes a small frame again: new
// records are found, and searches for missing names do not trip over the
// places the old records left.
TEST(Variables, EmptiedLargeFrameServesNewRecords) {
  auto interp = fresh_interp();
  FrameGuard guard(*interp, "p");
  std::vector<vars::Var*> records;
  for (int k = 0; k < 40; ++k) {
    auto rec = std::make_shared<vars::Var>();
    rec->name = "v" + std::to_string(k);
    records.push_back(rec.get());
    vars::add_var_record(guard.frame(), rec);
  }
  for (vars::Var* rec : records) {
    ASSERT_TRUE(vars::remove_from_frame(guard.frame(), vars::VarRef(rec)));
  }
  EXPECT_TRUE(vars::frame_records(guard.frame()).empty());
  ASSERT_EQ(vars::set_var(*interp, "x", Value("1")), 0);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "v3"), nullptr);
  ASSERT_EQ(vars::set_var(*interp, "y", Value("2")), 0);
  ASSERT_NE(vars::nuvelGetVar(*interp, "x"), nullptr);
  EXPECT_EQ(vars::nuvelGetVar(*interp, "y")->value.view(), "2");
  EXPECT_EQ(vars::frame_records(guard.frame()).size(), 2u);
}

}  // namespace
