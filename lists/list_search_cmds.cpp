// Searching and sorting lists: lsearch, in, ni and lsort. All read their list
// with the standard reader.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_index.h"
#include "core/list_value.h"
#include "core/text_util.h"
#include "core/var_store.h"

namespace lists {
namespace {

using core::Code;
using core::CommandRow;
using core::glob_match;
using core::Interp;
using core::kAnyWords;
using core::leading_decimal;
using core::leading_decimal32;
using core::list_append_braced;
using core::list_standard;
using core::Msg;
using core::nuvelSetResult;
using core::Value;

struct SearchOptions {
  bool exact = false;
  bool sort = false;
  bool decreasing = false;
  bool nocase = false;
  bool invert = false;  // -not
  bool inline_elements = false;
  bool all = false;
  int64_t start = 0;
};

inline unsigned char fold(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Byte-wise comparison, optionally with letters folded to lower case.
int compare_text(std::string_view a, std::string_view b, bool nocase) {
  if (!nocase) return a.compare(b);
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = fold(static_cast<unsigned char>(a[i]));
    unsigned char y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool matches(const SearchOptions& o, std::string_view pattern, std::string_view element) {
  bool hit = o.exact ? (o.nocase ? core::iequals(pattern, element) : pattern == element)
                     : glob_match(pattern, element, o.nocase);
  return hit != o.invert;
}

// The search behind lsearch, in and ni. Returns the result text.
std::string search(const Value& list, std::string_view pattern, const SearchOptions& o) {
  auto form = list_standard(list);
  const size_t count = form->count(false);
  if (count == 0) return "-1";
  size_t start = 0;
  if (o.start > 0)
    start = std::min(static_cast<uint64_t>(o.start), static_cast<uint64_t>(count - 1));
  std::span<const Value> elements(form->elements.data() + start, count - start);
  std::vector<Value> sorted;
  if (o.sort) {
    sorted.assign(elements.begin(), elements.end());
    std::stable_sort(sorted.begin(), sorted.end(), [&o](const Value& a, const Value& b) {
      int c = compare_text(a.view(), b.view(), o.nocase);
      return o.decreasing ? c > 0 : c < 0;
    });
    elements = sorted;
  }
  std::string out;
  for (size_t k = 0; k < elements.size(); ++k) {
    std::string_view e = elements[k].view();
    if (!matches(o, pattern, e)) continue;
    if (!o.all) {
      if (!o.inline_elements) return std::to_string(k + start);
      return e.empty() ? std::string("{}") : std::string(e);
    }
    if (o.inline_elements) {
      list_append_braced(out, e);
    } else {
      if (!out.empty()) out.push_back(' ');
      out += std::to_string(k + start);
    }
  }
  if (!o.all) return "-1";
  return out.empty() ? std::string("{}") : out;
}

// lsearch ?options? list pattern
// Results: the index of the first matching element, -1 when none matches;
// with -inline the element, with -all every match.
Code nuvelCommandLSearch(Interp& interp, int argc, Value* argv, void*) {
  SearchOptions o;
  int i = 1;
  // Options stand before the list and the pattern, which are always the
  // last two words (so a list starting with "-" is still a list).
  for (; i < argc - 2; ++i) {
    std::string_view w = argv[i].view();
    if (w.empty() || w[0] != '-') break;
    if (core::iequals(w, "-glob")) {
      o.exact = false;
    } else if (core::iequals(w, "-exact")) {
      o.exact = true;
    } else if (core::iequals(w, "-sort")) {
      o.sort = true;
    } else if (core::iequals(w, "-decreasing")) {
      o.decreasing = true;
    } else if (core::iequals(w, "-nocase")) {
      o.nocase = true;
    } else if (core::iequals(w, "-not")) {
      o.invert = true;
    } else if (core::iequals(w, "-inline")) {
      o.inline_elements = true;
    } else if (core::iequals(w, "-all")) {
      o.all = true;
    } else if (core::iequals(w, "-start")) {
      if (i + 1 >= argc) break;
      std::string_view v = argv[++i].view();
      if (!v.empty() && v[0] == '-') {
        return core::fail(interp, Msg::InvalidStartArgument, argv[i]);
      }
      o.start = std::max<int64_t>(0, leading_decimal32(v));
    }
    // -sorted, -increasing, -integer, -real, -ascii and other words starting
    // with "-" have no effect.
  }
  if (i != argc - 2) {
    return core::fail(interp, Msg::MissingOrMalformedArgument);
  }
  nuvelSetResult(interp, Value(search(argv[argc - 2], argv[argc - 1].view(), o)));
  return Code::Ok;
}

// in list value ?-glob|-nocase?   ni list value ?-glob|-nocase?
// Results: "1" or "0": whether the value matches (in) or matches no (ni)
// element of the list, by glob matching.
Code nuvelCommandIn(Interp& interp, int argc, Value* argv, void*) {
  SearchOptions o;
  if (argc > 3 && core::iequals(argv[3].view(), "-nocase")) o.nocase = true;
  bool found = search(argv[1], argv[2].view(), o) != "-1";
  bool is_in = core::strip_global_prefix(argv[0].view()) != "ni";
  return core::result_bool(interp, found == is_in);
}

enum class SortMode { Text, NoCase, Integer, Real };

// lsort list-or-var ?-descending|-decreasing? ?-integer? ?-real? ?-nocase?
// Results: the elements in order, separated by single spaces. When the first
// word names a variable, its value is sorted (the variable is not changed).
Code nuvelCommandLSort(Interp& interp, int argc, Value* argv, void*) {
  Value list = argv[1];
  if (vars::VarRef var = vars::lookup(interp, argv[1].view()); var && var.kind() == vars::VT_AUTO) {
    list = var.value();
  }
  bool descending = false;
  bool integer = false;
  bool real = false;
  bool nocase = false;
  for (int k = 2; k < argc; ++k) {
    std::string_view w = argv[k].view();
    if (core::iequals(w, "-descending") || core::iequals(w, "-decreasing")) descending = true;
    if (core::iequals(w, "-integer")) integer = true;
    if (core::iequals(w, "-real")) real = true;
    if (core::iequals(w, "-nocase")) nocase = true;
  }
  SortMode mode = integer  ? SortMode::Integer
                  : real   ? SortMode::Real
                  : nocase ? SortMode::NoCase
                           : SortMode::Text;
  auto form = list_standard(list);
  const size_t count = form->count(false);
  const std::vector<Value>& elements = form->elements;
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), size_t{0});
  // Stable, so equal keys (numeric ties, letters differing only in case) keep
  // their list order and the result never depends on the sort's internals.
  if (mode == SortMode::Integer) {
    std::vector<int64_t> keys(count);
    for (size_t k = 0; k < count; ++k) keys[k] = leading_decimal(elements[k].view());
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return descending ? keys[b] < keys[a] : keys[a] < keys[b];
    });
  } else if (mode == SortMode::Real) {
    std::vector<double> keys(count);
    for (size_t k = 0; k < count; ++k) keys[k] = std::strtod(elements[k].c_str(), nullptr);
    // NaN sorts before every number so the order stays a strict weak order.
    auto less = [&keys](size_t a, size_t b) {
      double x = keys[a];
      double y = keys[b];
      if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && !std::isnan(y);
      return x < y;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return descending ? less(b, a) : less(a, b); });
  } else {
    bool fold_case = mode == SortMode::NoCase;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      int c = compare_text(elements[a].view(), elements[b].view(), fold_case);
      return descending ? c > 0 : c < 0;
    });
  }
  std::string out;
  out.reserve(list.size());
  for (size_t k : order) list_append_braced(out, elements[k].view());
  nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

constexpr CommandRow kListSearchCommands[] = {
    {"lsearch", nuvelCommandLSearch, 3, kAnyWords, "?options? list pattern"},
    {"in", nuvelCommandIn, 3, kAnyWords, "list value ?-nocase?"},
    {"ni", nuvelCommandIn, 3, kAnyWords, "list value ?-nocase?"},
    {"lsort", nuvelCommandLSort, 2, kAnyWords,
     "list-or-var ?-descending|-decreasing? ?-integer? ?-real? ?-nocase?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_list_search_cmds(core::Interp& interp) {
  core::register_rows(interp, kListSearchCommands);
}

}  // namespace lists
