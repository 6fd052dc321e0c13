/* nuvel_plugin.h - the interface between Nuvel and its plug-in libraries.
 *
 * A plug-in is a shared object that exports a few entry points with the
 * fixed names below. `lib name` loads it, calls `_lib_init`, registers one
 * command per entry of its function list and hands it the seventeen host
 * routines through `_export_common_routines`. This header is plain C and is
 * all a plug-in needs: the interpreter is reached only through opaque
 * handles, texts are `const char*` and every service is a host routine, so a
 * plug-in built against it keeps working when the interpreter changes inside.
 *
 * Memory rules:
 *  - Texts a plug-in hands to the host are copied by the host before the
 *    routine returns; the plug-in keeps ownership of its own texts.
 *  - Texts and arrays the host hands out (`access_var`, `array_get`,
 *    `split_list`, `text_append`) are allocated with the host's `alloc`
 *    routine and belong to the plug-in, which releases them with `text_free`,
 *    `free_list` or the host's `free` routine.
 *  - The word vector of a command call belongs to the host and lives until
 *    the command returns.
 *  - The texts returned by `_get_function_list`, `_get_command_list`,
 *    `_get_dll_date` and `_get_dll_comment` must stay valid while the
 *    library is loaded (static strings are the usual choice).
 */
#ifndef NUVEL_PLUGIN_H
#define NUVEL_PLUGIN_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version this header describes. */
#define NUVEL_PLUGIN_ROUTINE_COUNT 17

/* Result codes of commands. A command returns one of these; any other value
 * makes the call fail with an error report. */
enum {
  NUVEL_OK = 0,
  NUVEL_ERROR = 1,
  NUVEL_RETURN = 2,
  NUVEL_BREAK = 3,
  NUVEL_CONTINUE = 4,
  NUVEL_EXIT = 5,
  NUVEL_STOP = 6,
  NUVEL_GOTO = 7,
  NUVEL_DEFINED = 8
};

/* Opaque handles. A plug-in never looks inside them. A variable or frame
 * handle says which variable or frame was found; it is valid only until the
 * command that obtained it returns. */
typedef struct nuvel_interp nuvel_interp;
typedef struct nuvel_var nuvel_var;
typedef struct nuvel_frame nuvel_frame;

/* A command: argv[0] is the command name as invoked, argv[1..argc-1] its
 * words. `data` is null for plug-in commands. Returns a result code and
 * leaves its result with `set_result`. */
typedef int (*nuvel_command_fn)(nuvel_interp* interp, int argc, const char* argv[], void* data);

/* --- The seventeen host routines, in the order `_export_common_routines`
 *     receives them. ------------------------------------------------------ */

/* 1. Finds a variable: scope -1 searches the current frame, any other value
 *    the global frame; a "::name" always the global frame. Null when there
 *    is no such variable. */
typedef nuvel_var* (*nuvel_get_var_fn)(nuvel_interp* interp, const char* name, int scope);
/* 2. Assigns a plain variable, creating it when missing. 0 on success. */
typedef int (*nuvel_set_var_fn)(nuvel_interp* interp, const char* name, const char* value);
/* 3. Appends the first n characters of `piece` (all of it when n <= 0) to the
 *    growing text *text (null starts a new one). Returns the new length, or
 *    -1 when memory ran out (the text is then unchanged). */
typedef int (*nuvel_text_append_fn)(char** text, const char* piece, int n);
/* 4. Releases a growing text and sets *text to null. */
typedef void (*nuvel_text_free_fn)(char** text);
/* 5. The frame at a level (0 and below: the global frame), or null. */
typedef nuvel_frame* (*nuvel_frame_at_level_fn)(nuvel_interp* interp, int level);
/* 6. The 1-based position of a command in the sorted command table, or 0. */
typedef int (*nuvel_find_command_fn)(nuvel_interp* interp, const char* name);
/* 7. Looks a command up. When it exists, returns 1 and fills *handler and
 *    *data with a routine that runs it: handler(interp, argc, argv, data)
 *    calls the command named `name` with argv[1..argc-1] as its words, as a
 *    script would, and returns its result code. Returns 0 otherwise. The
 *    pair stays valid while the interpreter lives; a command removed later
 *    makes the call fail with an error. */
typedef int (*nuvel_get_command_fn)(nuvel_interp* interp, const char* name,
                                    nuvel_command_fn* handler, void** data);
/* 8. Splits a list text into *count elements (*elements a new array of new
 *    texts). 0 on success. Release with free_list. */
typedef int (*nuvel_split_list_fn)(const char* list, int* count, char*** elements);
/* 9. Releases an element array of `count` texts and sets *elements to null. */
typedef void (*nuvel_free_list_fn)(char*** elements, int count);
/* 10. Sets the interpreter result to the first `count` characters of `text`
 *     (all of it when count <= 0; null sets the empty result). */
typedef void (*nuvel_set_result_fn)(nuvel_interp* interp, const char* text, int count);
/* 11. Allocates memory that the host or the plug-in may release with 12. */
typedef void* (*nuvel_alloc_fn)(size_t size);
/* 12. Releases memory from 11 (or handed out by the host). */
typedef void (*nuvel_free_fn)(void* block);
/* 13. Reads an element of an array variable (a leading '$' of the name is
 *     ignored). Returns 1 and a new copy in *value when found, else 0. With
 *     `nocase` the subscript is matched without regard to case. */
typedef int (*nuvel_array_get_fn)(nuvel_interp* interp, const char* array, const char* subscript,
                                  char** value, int nocase);
/* 14. Sets an element of an array variable, creating the array when needed.
 *     0 on success. */
typedef int (*nuvel_array_set_fn)(nuvel_interp* interp, const char* array, const char* subscript,
                                  const char* value);
/* 15. Appends copies of `more_count` texts of `more` to the element array
 *     *elements of *count texts. 0 on success (nothing changes on failure). */
typedef int (*nuvel_list_append_fn)(char*** elements, int* count, char* const* more,
                                    int more_count);
/* 16. Removes a plain variable. 1 when it was removed, else 0. */
typedef int (*nuvel_delete_var_fn)(nuvel_interp* interp, const char* name);
/* 17. Reads (value null) or assigns a variable by any name form (name,
 *     name(sub), ::name). 0 on success, and then *result (when not null)
 *     gets a new copy of the value read or assigned. With `report` a
 *     failure is reported as an error of the running command. */
typedef int (*nuvel_access_var_fn)(nuvel_interp* interp, const char* name, const char* value,
                                   int report, char** result);

/* --- Entry points a plug-in exports (all optional; a library without the
 *     three list entry points adds no commands). -------------------------- */

#if defined(_WIN32)
#define NUVEL_EXPORT __declspec(dllexport)
#else
#define NUVEL_EXPORT __attribute__((visibility("default")))
#endif

/* Names of the exported command functions, `_get_export_count()` of them. */
typedef const char* const* (*nuvel_get_function_list_fn)(void);
/* The command name for each entry of the function list, in the same order. */
typedef const char* const* (*nuvel_get_command_list_fn)(void);
typedef int (*nuvel_get_export_count_fn)(void);
/* Called once on load, before any command is registered. */
typedef void (*nuvel_lib_init_fn)(void);
/* Called on unload (always with 0) before the library is closed. */
typedef void (*nuvel_lib_cleanup_fn)(int reserved);
/* Receives the host routines; must return NUVEL_PLUGIN_ROUTINE_COUNT (17),
 * else the load is undone. */
typedef int (*nuvel_export_common_routines_fn)(
    nuvel_get_var_fn get_var, nuvel_set_var_fn set_var, nuvel_text_append_fn text_append,
    nuvel_text_free_fn text_free, nuvel_frame_at_level_fn frame_at_level,
    nuvel_find_command_fn find_command, nuvel_get_command_fn get_command,
    nuvel_split_list_fn split_list, nuvel_free_list_fn free_list, nuvel_set_result_fn set_result,
    nuvel_alloc_fn alloc, nuvel_free_fn free_block, nuvel_array_get_fn array_get,
    nuvel_array_set_fn array_set, nuvel_list_append_fn list_append, nuvel_delete_var_fn delete_var,
    nuvel_access_var_fn access_var);
/* Version times 100 (123 is shown as 1.23). */
typedef int (*nuvel_get_dll_version_fn)(void);
/* Build date text. */
typedef const char* (*nuvel_get_dll_date_fn)(void);
/* A description, or null. */
typedef const char* (*nuvel_get_dll_comment_fn)(void);

/* The declarations a plug-in's source gives its entry points. */
NUVEL_EXPORT const char* const* _get_function_list(void);
NUVEL_EXPORT const char* const* _get_command_list(void);
NUVEL_EXPORT int _get_export_count(void);
NUVEL_EXPORT void _lib_init(void);
NUVEL_EXPORT void _lib_cleanup(int reserved);
NUVEL_EXPORT int _export_common_routines(
    nuvel_get_var_fn get_var, nuvel_set_var_fn set_var, nuvel_text_append_fn text_append,
    nuvel_text_free_fn text_free, nuvel_frame_at_level_fn frame_at_level,
    nuvel_find_command_fn find_command, nuvel_get_command_fn get_command,
    nuvel_split_list_fn split_list, nuvel_free_list_fn free_list, nuvel_set_result_fn set_result,
    nuvel_alloc_fn alloc, nuvel_free_fn free_block, nuvel_array_get_fn array_get,
    nuvel_array_set_fn array_set, nuvel_list_append_fn list_append, nuvel_delete_var_fn delete_var,
    nuvel_access_var_fn access_var);
NUVEL_EXPORT int _get_dll_version(void);
NUVEL_EXPORT const char* _get_dll_date(void);
NUVEL_EXPORT const char* _get_dll_comment(void);

#ifdef __cplusplus
}
#endif

#endif /* NUVEL_PLUGIN_H */
