// The format and scan readers on texts scripts cannot easily write: NUL
// bytes, templates cut inside a conversion, huge digit runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strings/format.h"
#include "strings/scan.h"

namespace {

using core::Value;

std::string fmt(std::string_view tmpl, std::vector<Value> args = {}) {
  strings::FormatOutcome r = strings::format_text(tmpl, args, false);
  return r.ok ? r.text : "error: " + r.error;
}

TEST(FormatText, KeepsNulBytesOfTemplateAndArguments) {
  using namespace std::string_literals;
  EXPECT_EQ(fmt("a\0b%s"s, {Value("x\0y"s)}), "a\0bx\0y"s);
  EXPECT_EQ(fmt("%c", {Value("0")}), "\0"s);
}

TEST(FormatText, TemplateCutInsideAConversion) {
  for (std::string t : {"%", "%-", "%0", "%12", "%.", "%.3", "%l", "%ll", "%I64", "%*", "%.*"}) {
    EXPECT_EQ(fmt("ab" + t, {Value("5"), Value("6")}), "ab") << t;
  }
  // "I" not followed by "64" is a conversion character of its own.
  EXPECT_EQ(fmt("ab%I6", {Value("5")}), "ab56");
}

TEST(FormatText, RefusesOverlongCountsWithoutWrapping) {
  std::string digits(5000, '9');
  EXPECT_EQ(fmt("%" + digits + "d", {Value("1")}).substr(0, 6), "error:");
  EXPECT_EQ(fmt("%." + digits + "s", {Value("1")}).substr(0, 6), "error:");
  EXPECT_EQ(fmt("%*s", {Value("-" + digits), Value("x")}).substr(0, 6), "error:");
}

TEST(ScanText, StopsAtTheInputsEnd) {
  strings::ScanOutcome r = strings::scan_text("12", "%5d%s", 5);
  EXPECT_EQ(r.values, std::vector<std::string>{"12"});
  EXPECT_EQ(r.status, strings::ScanOutcome::Status::Exhausted);
  r = strings::scan_text(std::string_view("0x", 2), "%x", 5);
  EXPECT_EQ(r.values, std::vector<std::string>{"0"});
  r = strings::scan_text("-", "%d", 5);
  EXPECT_EQ(r.status, strings::ScanOutcome::Status::Invalid);
  r = strings::scan_text("1.", "%f", 5);
  EXPECT_EQ(r.values, std::vector<std::string>{"1.000000"});
  r = strings::scan_text("1e", "%f%s", 5);
  EXPECT_EQ(r.values, (std::vector<std::string>{"1.000000", "e"}));
}

TEST(ScanText, NoValuesBeyondTheLimit) {
  strings::ScanOutcome r = strings::scan_text("1 2 3", "%d %d %d", 2);
  EXPECT_EQ(r.values.size(), 2u);
  EXPECT_EQ(r.status, strings::ScanOutcome::Status::Ok);
  r = strings::scan_text("1 2 3", "%d %d %d", 0);
  EXPECT_TRUE(r.values.empty());
}

}  // namespace
