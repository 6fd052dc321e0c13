// Plug-in libraries for the tests of `lib`, one source built several times:
// the macro TP_<VARIANT> picks which entry points a build exports.
//   TP_GOOD       every entry point; commands that use each host routine,
//                 throw, return an unknown code and run scripts
//   TP_MISSING    its function list names an export that does not exist
//   TP_PLAIN      an ordinary shared object without any entry point
//   TP_CLASH      a command named like the built-in llength
//   TP_BADEXPORT  _export_common_routines answers 16
//   TP_THROWINIT  _lib_init throws
#include <stdexcept>
#include <string>

#include "nuvel_plugin.h"

namespace {

struct Host {
  nuvel_get_var_fn get_var;
  nuvel_set_var_fn set_var;
  nuvel_text_append_fn text_append;
  nuvel_text_free_fn text_free;
  nuvel_frame_at_level_fn frame_at_level;
  nuvel_find_command_fn find_command;
  nuvel_get_command_fn get_command;
  nuvel_split_list_fn split_list;
  nuvel_free_list_fn free_list;
  nuvel_set_result_fn set_result;
  nuvel_alloc_fn alloc;
  nuvel_free_fn free_block;
  nuvel_array_get_fn array_get;
  nuvel_array_set_fn array_set;
  nuvel_list_append_fn list_append;
  nuvel_delete_var_fn delete_var;
  nuvel_access_var_fn access_var;
};
Host host;
int init_calls = 0;
int cleanup_calls = 0;

int result(nuvel_interp* interp, const std::string& text, int code = NUVEL_OK) {
  host.set_result(interp, text.c_str(), -1);
  return code;
}

}  // namespace

extern "C" {

// tp_echo word...: the words joined by single spaces.
NUVEL_EXPORT int tp_echo(nuvel_interp* interp, int argc, const char* argv[], void*) {
  std::string out;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) out += ' ';
    out += argv[i];
  }
  return result(interp, out);
}

// tp_vars: goes through the variable, text, list and memory routines and
// answers what each gave, separated by "|".
NUVEL_EXPORT int tp_vars(nuvel_interp* interp, int, const char*[], void*) {
  std::string out;
  // Variables: assign, read back, and test for existence.
  host.set_var(interp, "tp_a", "hello");
  char* value = nullptr;
  int rc = host.access_var(interp, "tp_a", nullptr, 0, &value);
  out += std::to_string(rc) + " " + (value ? value : "(null)");
  host.free_block(value);
  out += host.get_var(interp, "tp_a", -1) ? " found" : " missing";
  out += host.get_var(interp, "tp_nothing", -1) ? " found" : " missing";
  value = nullptr;
  rc = host.access_var(interp, "tp_b", "assigned", 0, &value);
  out += " " + std::to_string(rc) + " " + (value ? value : "(null)");
  host.free_block(value);
  out += " " + std::to_string(host.delete_var(interp, "tp_a"));
  out += host.get_var(interp, "tp_a", -1) ? " found" : " gone";
  out += " " + std::to_string(host.access_var(interp, "tp_a", nullptr, 0, nullptr));
  // Arrays: set, then read with and without case folding.
  host.array_set(interp, "tp_arr", "Key", "element");
  value = nullptr;
  out += "|" + std::to_string(host.array_get(interp, "$tp_arr", "key", &value, 1));
  out += std::string(" ") + (value ? value : "(null)");
  host.free_block(value);
  out += " " + std::to_string(host.array_get(interp, "tp_arr", "key", nullptr, 0));
  // Frames and commands.
  out += "|";
  out += host.frame_at_level(interp, 0) ? "frame0" : "noframe0";
  out += host.frame_at_level(interp, 99) ? " frame99" : " noframe99";
  out += host.find_command(interp, "set") > 0 ? " set" : " noset";
  out += host.find_command(interp, "tp_no_such") > 0 ? " other" : " noother";
  // Growing texts.
  char* text = nullptr;
  host.text_append(&text, "abcdef", 3);
  int length = host.text_append(&text, "-xyz", 0);
  out += "|" + std::string(text) + " " + std::to_string(length);
  host.text_free(&text);
  out += text ? " kept" : " freed";
  // Lists: split, append copies, release.
  char** items = nullptr;
  int count = 0;
  host.split_list("a {b c} d", &count, &items);
  char* more_text[] = {const_cast<char*>("e"), const_cast<char*>("f g")};
  host.list_append(&items, &count, more_text, 2);
  out += "|" + std::to_string(count);
  for (int i = 0; i < count; ++i) out += std::string(" <") + items[i] + ">";
  host.free_list(&items, count);
  out += items ? " kept" : " freed";
  // Memory from the host's allocator, released by its free routine.
  char* block = static_cast<char*>(host.alloc(16));
  block[0] = 'm';
  block[1] = '\0';
  out += std::string("|") + block;
  host.free_block(block);
  return result(interp, out);
}

// tp_throw ?int?: throws a standard exception, or an int.
NUVEL_EXPORT int tp_throw(nuvel_interp*, int argc, const char*[], void*) {
  if (argc > 1) throw 42;
  throw std::runtime_error("plug-in failure");
}

// tp_code n: returns n as its result code.
NUVEL_EXPORT int tp_code(nuvel_interp* interp, int argc, const char* argv[], void*) {
  host.set_result(interp, "code result", -1);
  return argc > 1 ? std::stoi(argv[1]) : NUVEL_OK;
}

// tp_eval script: runs a script through the host's eval command.
NUVEL_EXPORT int tp_eval(nuvel_interp* interp, int argc, const char* argv[], void*) {
  nuvel_command_fn eval = nullptr;
  void* data = nullptr;
  if (!host.get_command(interp, "eval", &eval, &data)) return result(interp, "no eval", 1);
  return eval(interp, argc, argv, data);
}

// tp_counts: how often _lib_init and _lib_cleanup ran in this load.
NUVEL_EXPORT int tp_counts(nuvel_interp* interp, int, const char*[], void*) {
  return result(interp, std::to_string(init_calls) + " " + std::to_string(cleanup_calls));
}

// tp_own: a command of the clash and the broken libraries.
NUVEL_EXPORT int tp_own(nuvel_interp* interp, int, const char* argv[], void*) {
  return result(interp, std::string("plug-in ") + argv[0]);
}

#if !defined(TP_PLAIN)

#if defined(TP_GOOD)
static const char* const kFunctions[] = {"tp_echo", "tp_vars", "tp_throw",
                                         "tp_code", "tp_eval", "tp_counts"};
static const char* const kCommands[] = {"tp_echo", "tp_vars", "tp_throw",
                                        "tp_code", "tp_eval", "tp_counts"};
#elif defined(TP_MISSING)
static const char* const kFunctions[] = {"tp_no_such_function", "tp_own"};
static const char* const kCommands[] = {"tp_missing_cmd", "tp_present"};
#elif defined(TP_CLASH)
static const char* const kFunctions[] = {"tp_own", "tp_own"};
static const char* const kCommands[] = {"llength", "tp_clash_own"};
#else
static const char* const kFunctions[] = {"tp_own", "tp_own"};
static const char* const kCommands[] = {"tp_broken_a", "tp_broken_b"};
#endif

NUVEL_EXPORT const char* const* _get_function_list(void) {
  return kFunctions;
}
NUVEL_EXPORT const char* const* _get_command_list(void) {
  return kCommands;
}
NUVEL_EXPORT int _get_export_count(void) {
  return static_cast<int>(sizeof kFunctions / sizeof kFunctions[0]);
}
NUVEL_EXPORT void _lib_init(void) {
#if defined(TP_THROWINIT)
  throw std::runtime_error("init failed");
#endif
  ++init_calls;
}
NUVEL_EXPORT void _lib_cleanup(int) {
  ++cleanup_calls;
}
NUVEL_EXPORT int _export_common_routines(
    nuvel_get_var_fn get_var, nuvel_set_var_fn set_var, nuvel_text_append_fn text_append,
    nuvel_text_free_fn text_free, nuvel_frame_at_level_fn frame_at_level,
    nuvel_find_command_fn find_command, nuvel_get_command_fn get_command,
    nuvel_split_list_fn split_list, nuvel_free_list_fn free_list, nuvel_set_result_fn set_result,
    nuvel_alloc_fn alloc, nuvel_free_fn free_block, nuvel_array_get_fn array_get,
    nuvel_array_set_fn array_set, nuvel_list_append_fn list_append, nuvel_delete_var_fn delete_var,
    nuvel_access_var_fn access_var) {
  host = Host{get_var,     set_var,    text_append, text_free,  frame_at_level, find_command,
              get_command, split_list, free_list,   set_result, alloc,          free_block,
              array_get,   array_set,  list_append, delete_var, access_var};
#if defined(TP_BADEXPORT)
  return 16;
#else
  return NUVEL_PLUGIN_ROUTINE_COUNT;
#endif
}
NUVEL_EXPORT int _get_dll_version(void) {
  return 123;
}
NUVEL_EXPORT const char* _get_dll_date(void) {
  return "2026/Dec/01";
}
#if defined(TP_GOOD)
NUVEL_EXPORT const char* _get_dll_comment(void) {
  return "Test plug-in";
}
#endif

#endif  // !TP_PLAIN

}  // extern "C"
