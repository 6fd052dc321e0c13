// The host side of the plug-in interface: the handler that calls a plug-in's
// command function, and the seventeen host routines handed to plug-ins. The
// routines are C functions built on the public API; each copies the texts it
// is given, hands out texts allocated with malloc (the plug-in releases them
// with the free routines), and lets no C++ exception reach the plug-in.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "syslib/plugin_state.h"

namespace syslib {

using core::Code;
using core::Interp;
using core::Value;

namespace {

// A new malloc'ed copy of a text; null when memory ran out.
char* copy_out(std::string_view text) {
  char* out = static_cast<char*>(std::malloc(text.size() + 1));
  if (!out) return nullptr;
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return out;
}

std::string_view text_in(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

// Raises the running-call count of a module for the length of a call.
class ActiveCall {
 public:
  explicit ActiveCall(PluginModule& module) : module_(module) { ++module_.active; }
  ~ActiveCall() { --module_.active; }
  ActiveCall(const ActiveCall&) = delete;
  ActiveCall& operator=(const ActiveCall&) = delete;

 private:
  PluginModule& module_;
};

// Reports a plug-in command's failure the way exceptions around handlers
// are reported, and leaves the report as the result.
Code plugin_failure(Interp& interp, const Value& name, const std::string& what) {
  core::nuvelExceptionReport(name.c_str(), what.c_str());
  core::nuvelSetResult(interp, Value(std::string(name.view()) + ": " + what));
  return Code::Error;
}

// --- The seventeen routines ---------------------------------------------------

nuvel_var* host_get_var(nuvel_interp* handle, const char* name, int scope) {
  try {
    if (!handle || !name) return nullptr;
    vars::VarRef ref = vars::lookup(*from_handle(handle), name, scope);
    // The handle only tells which record was found; the host never reads
    // one back, so a stale handle can do no harm.
    return reinterpret_cast<nuvel_var*>(ref.record());
  } catch (...) {
    return nullptr;
  }
}

int host_set_var(nuvel_interp* handle, const char* name, const char* value) {
  try {
    if (!handle || !name) return 1;
    return vars::set_var(*from_handle(handle), name, Value(text_in(value)));
  } catch (...) {
    return 1;
  }
}

int host_text_append(char** text, const char* piece, int n) {
  if (!text) return -1;
  size_t old_size = *text ? std::strlen(*text) : 0;
  size_t add = 0;
  if (piece) add = n <= 0 ? std::strlen(piece) : strnlen(piece, static_cast<size_t>(n));
  if (old_size + add > static_cast<size_t>(INT32_MAX)) return -1;
  char* grown = static_cast<char*>(std::realloc(*text, old_size + add + 1));
  if (!grown) return -1;
  if (add) std::memcpy(grown + old_size, piece, add);
  grown[old_size + add] = '\0';
  *text = grown;
  return static_cast<int>(old_size + add);
}

void host_text_free(char** text) {
  if (!text) return;
  std::free(*text);
  *text = nullptr;
}

nuvel_frame* host_frame_at_level(nuvel_interp* handle, int level) {
  try {
    if (!handle) return nullptr;
    Interp& interp = *from_handle(handle);
    // frame_at_level answers the global frame for levels it cannot find;
    // a plug-in asking for a level deeper than the current one gets null.
    int current = interp.callframe ? interp.callframe->level : 0;
    if (level > current) return nullptr;
    return reinterpret_cast<nuvel_frame*>(vars::frame_at_level(interp, level));
  } catch (...) {
    return nullptr;
  }
}

int host_find_command(nuvel_interp* handle, const char* name) {
  if (!handle || !name) return 0;
  const auto& table = from_handle(handle)->commands;
  std::string_view key(name);
  size_t lo = 0, hi = table.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    int c = table[mid].name.compare(key);
    if (c == 0) return static_cast<int>(mid + 1);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return 0;
}

// The routine get_command hands out: runs the command its token names with
// the plug-in's words, as a script would.
int host_call_command(nuvel_interp* handle, int argc, const char* argv[], void* data) {
  try {
    if (!handle) return NUVEL_ERROR;
    Interp& interp = *from_handle(handle);
    const std::string* name = nullptr;
    for (const std::string& token : interp.state<LibState>().command_tokens) {
      if (&token == data) name = &token;
    }
    if (!name || argc < 1 || !argv) return NUVEL_ERROR;
    std::vector<Value> words;
    words.reserve(static_cast<size_t>(argc));
    words.emplace_back(*name);
    for (int i = 1; i < argc; ++i) words.emplace_back(text_in(argv[i]));
    return core::code_int(
        core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data()));
  } catch (...) {
    return NUVEL_ERROR;
  }
}

int host_get_command(nuvel_interp* handle, const char* name, nuvel_command_fn* handler,
                     void** data) {
  try {
    if (!handle || !name || !core::nuvelGetCommand(*from_handle(handle), name)) return 0;
    auto& tokens = from_handle(handle)->state<LibState>().command_tokens;
    const std::string* token = nullptr;
    for (const std::string& t : tokens) {
      if (t == name) token = &t;
    }
    if (!token) token = &tokens.emplace_back(name);
    if (handler) *handler = host_call_command;
    if (data) *data = const_cast<std::string*>(token);
    return 1;
  } catch (...) {
    return 0;
  }
}

void host_free_list(char*** elements, int count) {
  if (!elements || !*elements) return;
  for (int i = 0; i < count; ++i) std::free((*elements)[i]);
  std::free(*elements);
  *elements = nullptr;
}

// A new element array of `count` texts, all null.
char** new_array(size_t count) {
  return static_cast<char**>(std::calloc(count ? count : 1, sizeof(char*)));
}

int host_split_list(const char* list, int* count, char*** elements) {
  if (!count || !elements) return 1;
  try {
    std::vector<Value> items = core::list_read_standard(text_in(list));
    if (items.size() > static_cast<size_t>(INT32_MAX)) return 1;
    char** out = new_array(items.size());
    if (!out) return 1;
    for (size_t i = 0; i < items.size(); ++i) {
      out[i] = copy_out(items[i].view());
      if (!out[i]) {
        host_free_list(&out, static_cast<int>(i));
        return 1;
      }
    }
    *elements = out;
    *count = static_cast<int>(items.size());
    return 0;
  } catch (...) {
    return 1;
  }
}

void host_set_result(nuvel_interp* handle, const char* text, int count) {
  try {
    if (!handle) return;
    std::string_view t = text_in(text);
    if (text && count > 0) t = t.substr(0, strnlen(text, static_cast<size_t>(count)));
    core::nuvelSetResult(*from_handle(handle), Value(t));
  } catch (...) {
  }
}

void* host_alloc(size_t size) {
  return std::malloc(size ? size : 1);
}

void host_free(void* block) {
  std::free(block);
}

int host_array_get(nuvel_interp* handle, const char* array, const char* subscript, char** value,
                   int nocase) {
  try {
    if (!handle || !array || !subscript) return 0;
    std::string_view name(array);
    if (!name.empty() && name[0] == '$') name.remove_prefix(1);
    vars::VarRef ref = vars::as_array(*from_handle(handle), name);
    if (!ref || !ref.table()) return 0;
    Value found;
    bool ok = nocase ? ref.table()->scan_get(subscript, &found, true)
                     : ref.table()->get(subscript, &found);
    if (!ok) return 0;
    if (value) {
      *value = copy_out(found.view());
      if (!*value) return 0;
    }
    return 1;
  } catch (...) {
    return 0;
  }
}

int host_array_set(nuvel_interp* handle, const char* array, const char* subscript,
                   const char* value) {
  try {
    if (!handle || !array || !subscript) return 1;
    return vars::nuvelArraySetElement(*from_handle(handle), array, subscript, Value(text_in(value)),
                                      false, false);
  } catch (...) {
    return 1;
  }
}

int host_list_append(char*** elements, int* count, char* const* more, int more_count) {
  if (!elements || !count || *count < 0 || more_count < 0 || (more_count > 0 && !more)) return 1;
  if (static_cast<int64_t>(*count) + more_count > INT32_MAX) return 1;
  size_t total = static_cast<size_t>(*count) + static_cast<size_t>(more_count);
  // Copies first, so that a failure leaves the caller's array as it was.
  std::vector<char*> copies;
  for (int i = 0; i < more_count; ++i) {
    char* c = copy_out(text_in(more[i]));
    if (!c) {
      for (char* p : copies) std::free(p);
      return 1;
    }
    copies.push_back(c);
  }
  char** grown = static_cast<char**>(std::realloc(*elements, (total ? total : 1) * sizeof(char*)));
  if (!grown) {
    for (char* p : copies) std::free(p);
    return 1;
  }
  for (size_t i = 0; i < copies.size(); ++i) grown[static_cast<size_t>(*count) + i] = copies[i];
  *elements = grown;
  *count = static_cast<int>(total);
  return 0;
}

int host_delete_var(nuvel_interp* handle, const char* name) {
  try {
    if (!handle || !name) return 0;
    return vars::delete_var(*from_handle(handle), name);
  } catch (...) {
    return 0;
  }
}

int host_access_var(nuvel_interp* handle, const char* name, const char* value, int report,
                    char** result) {
  try {
    if (!handle || !name) return 1;
    Interp& interp = *from_handle(handle);
    // The plug-in's own result stays as it was; the value travels out.
    core::ResultSaver keep(interp);
    Value assigned(text_in(value));
    int rc = vars::access_var(interp, name, value ? &assigned : nullptr, report != 0);
    if (rc == 0 && result) {
      *result = copy_out(interp.result.view());
      if (!*result) return 1;
    }
    return rc;
  } catch (...) {
    return 1;
  }
}

}  // namespace

Code plugin_command_handler(Interp& interp, int argc, Value* argv, void* data) {
  auto* command = static_cast<PluginCommand*>(data);
  // The call keeps the command and its library alive even when the command
  // is removed (or its library unloaded) while it runs.
  std::shared_ptr<PluginCommand> keep = command->shared_from_this();
  ActiveCall active(*keep->module);
  std::vector<const char*> words(static_cast<size_t>(argc) + 1, nullptr);
  for (int i = 0; i < argc; ++i) words[static_cast<size_t>(i)] = argv[i].c_str();
  int rc = 0;
  try {
    rc = keep->fn(to_handle(interp), argc, words.data(), nullptr);
  } catch (const std::exception& e) {
    return plugin_failure(interp, argv[0], e.what());
  } catch (...) {
    return plugin_failure(interp, argv[0], core::text_of(core::Msg::LibUnhandledException));
  }
  if (rc < 0 || rc > core::code_int(Code::Defined)) {
    return plugin_failure(interp, argv[0], core::text_of(core::Msg::LibUnknownCode, rc));
  }
  return static_cast<Code>(rc);
}

int export_host_routines(nuvel_export_common_routines_fn entry) {
  return entry(host_get_var, host_set_var, host_text_append, host_text_free, host_frame_at_level,
               host_find_command, host_get_command, host_split_list, host_free_list,
               host_set_result, host_alloc, host_free, host_array_get, host_array_set,
               host_list_append, host_delete_var, host_access_var);
}

}  // namespace syslib
