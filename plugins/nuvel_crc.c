/* nuvel_crc: the sample plug-in library. It adds the command file_crc,
 * which `file crc` runs: the CRC-32 of a file's bytes (the IEEE 802.3
 * polynomial, reflected, as zip and PNG use it) as eight lower-case
 * hexadecimal digits. Written in plain C against nuvel_plugin.h alone.
 *
 *   lib nuvel_crc
 *   file crc notes.txt      ;# e.g. 5a3c9e01
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "nuvel_plugin.h"

/* The host routines this library uses, received by _export_common_routines. */
static nuvel_set_result_fn set_result;

static uint32_t crc_table[256];

static void make_crc_table(void) {
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    crc_table[n] = c;
  }
}

/* Sets "name: text 'word'" as the result of a failing call. */
static int fail(nuvel_interp* interp, const char* name, const char* text, const char* word) {
  char message[512];
  snprintf(message, sizeof message, "%s: %s '%s'\n", name, text, word);
  set_result(interp, message, -1);
  return NUVEL_ERROR;
}

/* file_crc name: the CRC-32 of the file's bytes. */
NUVEL_EXPORT int crc_file(nuvel_interp* interp, int argc, const char* argv[], void* data) {
  (void)data;
  if (!set_result) return NUVEL_ERROR;
  if (argc != 2) return fail(interp, argv[0], "Wrong # args, expected", "file_crc name");
  FILE* f = fopen(argv[1], "rb");
  if (!f) return fail(interp, argv[0], "File not found", argv[1]);
  uint32_t crc = 0xFFFFFFFFu;
  unsigned char buf[65536];
  size_t got;
  while ((got = fread(buf, 1, sizeof buf, f)) > 0) {
    for (size_t i = 0; i < got; ++i) crc = crc_table[(crc ^ buf[i]) & 0xFF] ^ (crc >> 8);
  }
  int failed = ferror(f);
  fclose(f);
  if (failed) return fail(interp, argv[0], "Error reading", argv[1]);
  char text[16];
  snprintf(text, sizeof text, "%08x", (unsigned)(crc ^ 0xFFFFFFFFu));
  set_result(interp, text, -1);
  return NUVEL_OK;
}

static const char* const kFunctions[] = {"crc_file"};
static const char* const kCommands[] = {"file_crc"};

NUVEL_EXPORT const char* const* _get_function_list(void) {
  return kFunctions;
}
NUVEL_EXPORT const char* const* _get_command_list(void) {
  return kCommands;
}
NUVEL_EXPORT int _get_export_count(void) {
  return (int)(sizeof kFunctions / sizeof kFunctions[0]);
}
NUVEL_EXPORT void _lib_init(void) {
  make_crc_table();
}
NUVEL_EXPORT void _lib_cleanup(int reserved) {
  (void)reserved;
  set_result = NULL;
}
NUVEL_EXPORT int _export_common_routines(
    nuvel_get_var_fn get_var, nuvel_set_var_fn set_var, nuvel_text_append_fn text_append,
    nuvel_text_free_fn text_free, nuvel_frame_at_level_fn frame_at_level,
    nuvel_find_command_fn find_command, nuvel_get_command_fn get_command,
    nuvel_split_list_fn split_list, nuvel_free_list_fn free_list, nuvel_set_result_fn result,
    nuvel_alloc_fn alloc, nuvel_free_fn free_block, nuvel_array_get_fn array_get,
    nuvel_array_set_fn array_set, nuvel_list_append_fn list_append, nuvel_delete_var_fn delete_var,
    nuvel_access_var_fn access_var) {
  (void)get_var, (void)set_var, (void)text_append, (void)text_free, (void)frame_at_level;
  (void)find_command, (void)get_command, (void)split_list, (void)free_list, (void)alloc;
  (void)free_block, (void)array_get, (void)array_set, (void)list_append, (void)delete_var;
  (void)access_var;
  set_result = result;
  return NUVEL_PLUGIN_ROUTINE_COUNT;
}
NUVEL_EXPORT int _get_dll_version(void) {
  return 100;
}
NUVEL_EXPORT const char* _get_dll_date(void) {
  return "2026/Dec/08";
}
NUVEL_EXPORT const char* _get_dll_comment(void) {
  return "CRC-32 of files (file crc)";
}
