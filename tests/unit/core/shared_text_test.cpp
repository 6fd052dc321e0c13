// Long script words share their script's storage, and the parser's memory
// of brace groups in shared storage: a nested script must read exactly as a
// copy of the same text would.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/script.h"
#include "core/value.h"

namespace {

TEST(SharedText, LongPartsShareShortPartsCopy) {
  std::string text = "eval {" + std::string(3000, 'x') + "} tail";
  core::Value whole(text);
  std::string_view view = whole.view();
  const char* data = view.data();

  core::Value small = whole.slice(view.substr(0, 4));
  size_t offset = 0;
  EXPECT_EQ(small.view(), "eval");
  EXPECT_EQ(small.shared_text(offset), nullptr);

  core::Value body = whole.slice(view.substr(6, 3000));
  ASSERT_NE(body.shared_text(offset), nullptr);
  EXPECT_EQ(offset, 6u);
  EXPECT_EQ(body.view().data(), data + 6);  // no copy
  EXPECT_EQ(body.view(), std::string(3000, 'x'));
  // The whole text still reads the same, from the same place.
  EXPECT_EQ(whole.view(), text);
  EXPECT_EQ(whole.view().data(), data);
  EXPECT_EQ(std::string(whole.c_str()), text);

  // c_str of a part that does not end the storage is terminated all the same.
  EXPECT_EQ(std::string(body.c_str()), std::string(3000, 'x'));
  EXPECT_EQ(body.size(), 3000u);

  // A shared text never grows in place (the caller copies instead).
  core::Value alone = whole.slice(view.substr(6, 3000));
  EXPECT_FALSE(alone.append_in_place("y"));
  core::Value tail_part = body.slice(body.view().substr(1000));
  EXPECT_EQ(tail_part.view(), std::string(2000, 'x'));

  // The storage outlives the text it was taken from.
  whole = core::Value();
  EXPECT_EQ(body.view(), std::string(3000, 'x'));
}

// Every token of a compiled script, with the parts of literal and bracketed
// words compiled in turn. With `copies` each nested text is first copied into
// a private string, so no memory of shared storage can be used.
void render(const core::Value& text, bool copies, std::string& out, int depth) {
  core::Value own = copies ? core::Value(std::string(text.view())) : text;
  const core::CompiledScript& script = core::compiled_script(own);
  for (const core::CompiledCommand& cmd : script.commands) {
    out += "<cmd>";
    for (const core::Word& word : cmd.words) {
      out += word.expand ? "<word*>" : "<word>";
      for (const core::WordPart& part : word.parts) {
        out += "<" + std::to_string(part.kind) + ":" + std::string(part.text.view()) + ">";
        if (depth < 6 && part.kind != core::WordPart::Variable) {
          render(part.text, copies, out, depth + 1);
        }
      }
    }
  }
  if (script.has_error) out += "<error:" + script.error_message + ">";
}

// Random scripts full of braces, quotes, backslashes and expansion markers,
// nested and long enough to be shared: each reads the same through shared
// storage as through private copies.
TEST(SharedText, NestedScriptsReadAsTheirCopies) {
  std::mt19937 rng(20261208);
  const std::string alphabet = "{{{}}}\"\\* \n;x[]$";
  int shared_words = 0;
  for (int round = 0; round < 300; ++round) {
    std::string inner;
    size_t n = 200 + rng() % 3000;
    for (size_t i = 0; i < n; ++i) {
      if (rng() % 50 == 0) {
        inner += "{*}";
      } else if (rng() % 20 == 0) {
        inner += "eval {" + std::string(rng() % 400, 'a') + " ";
      } else {
        inner += alphabet[rng() % alphabet.size()];
      }
    }
    std::string text = "eval {" + inner + "}\neval {eval {" + inner + "}}";
    core::Value script(text);
    std::string through_shared;
    std::string through_copies;
    render(script, false, through_shared, 0);
    render(script, true, through_copies, 0);
    ASSERT_EQ(through_shared, through_copies) << "round " << round;
    for (const core::CompiledCommand& cmd : core::compiled_script(script).commands) {
      size_t offset = 0;
      if (cmd.words.size() > 1 && cmd.words[1].parts[0].text.shared_text(offset)) ++shared_words;
    }
  }
  EXPECT_GT(shared_words, 100);  // the shared path was taken
}

}  // namespace
