// The machine facts of `info`: system description, user, host, memory, disks,
// network adapters, monitors and GUIDs, each from its Linux source through
// platform/sysinfo.h. A fact Linux does not keep gets the nearest value, or an
// empty text, in the format the subcommand promises.
#include <array>
#include <cinttypes>
#include <cstdio>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "platform/files.h"
#include "platform/identity.h"
#include "platform/process.h"
#include "platform/sysinfo.h"
#include "platform/system.h"
#include "syslib/plugins.h"
#include "syslib/sysinfo.h"

namespace syslib {

using core::Code;
using core::Interp;
using core::Value;

namespace {

Code result_text(Interp& interp, std::string_view text) {
  core::nuvelSetResult(interp, text);
  return Code::Ok;
}

Code result_u64(Interp& interp, uint64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRIu64, v);
  return result_text(interp, buf);
}

std::string hex_bytes(const std::array<unsigned char, 6>& mac, const char* separator) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < mac.size(); ++i) {
    if (i > 0) out += separator;
    std::snprintf(buf, sizeof buf, "%02X", mac[i]);
    out += buf;
  }
  return out;
}

// The DHCP lease systemd-networkd keeps for an interface: KEY=value lines.
std::string lease_value(int64_t index, std::string_view key) {
  std::string text;
  std::string path = "/run/systemd/netif/leases/" + std::to_string(index);
  if (!platform::read_file(path, text)) return {};
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(line.substr(key.size() + 1));
    }
    pos = end + 1;
  }
  return {};
}

}  // namespace

std::string system_description(bool as_list, bool version_only) {
  platform::OsInfo os = platform::os_info();
  std::string version = std::to_string(os.major) + "." + std::to_string(os.minor);
  if (version_only) return version;
  std::string full = version + "." + std::to_string(os.build);
  std::string bits = std::to_string(os.bits);
  if (as_list) return "{" + os.product + "} " + full + " " + bits;
  return os.product + " [" + full + "] " + bits + " bit";
}

std::string host_name_text() {
  std::string name = platform::host_name();
  if (name.empty()) name = platform::get_env("COMPUTERNAME");
  if (name.empty()) name = platform::get_env("HOSTNAME");
  return name;
}

std::string user_name_text() {
  return platform::user_name();
}

// info winver ?-list? ?-vernum? ?-truever?
// Results: the system description; -list as a list, -vernum the version only.
// -truever asks for the kernel's own version, which on this system is the
// one reported anyway.
Code info_winver(Interp& interp, int argc, Value* argv, void*) {
  bool as_list = false, version_only = false;
  for (int i = 2; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-list")) {
      as_list = true;
    } else if (core::iequals(w, "-vernum")) {
      version_only = true;
    } else if (!core::iequals(w, "-truever")) {
      return core::fail(interp, core::Msg::UnknownSubOption, w);
    }
  }
  return result_text(interp, system_description(as_list, version_only));
}

Code info_username(Interp& interp, int, Value*, void*) {
  return result_text(interp, user_name_text());
}

Code info_hostname(Interp& interp, int argc, Value* argv, void* data) {
  if (argc > 2) return info_adapter_property(interp, argc, argv, data);
  return result_text(interp, host_name_text());
}

Code info_is_elevated(Interp& interp, int, Value*, void*) {
  return core::result_bool(interp, platform::is_elevated());
}

// Networked: some adapter other than the loopback is up.
Code info_is_networked(Interp& interp, int, Value*, void*) {
  for (const platform::Adapter& a : platform::adapters()) {
    if (a.up) return core::result_bool(interp, true);
  }
  return core::result_bool(interp, false);
}

Code info_adapter_count(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, static_cast<int64_t>(platform::adapters().size()));
}

// info <property> n: one property of adapter n (0-based).
Code info_adapter_property(Interp& interp, int, Value* argv, void*) {
  int64_t n = core::leading_int(argv[2].view());
  std::vector<platform::Adapter> list = platform::adapters();
  if (n < 0 || n >= static_cast<int64_t>(list.size())) {
    // Adapters are numbered from 1 in the message.
    return core::fail(interp, core::Msg::InfoAdapterFailed, n < INT64_MAX ? n + 1 : n);
  }
  const platform::Adapter& a = list[static_cast<size_t>(n)];
  std::string_view p = argv[1].view();
  auto is = [p](const char* name) { return core::iequals(p, name); };
  if (is("adapter_id") || is("adapter_name")) return result_text(interp, a.name);
  if (is("adapter_index")) return core::result_int(interp, a.index);
  if (is("adapter_type")) return core::result_int(interp, a.type);
  if (is("ip_address")) return result_text(interp, a.ip_address);
  if (is("netmask")) return result_text(interp, a.netmask);
  if (is("gateway")) return result_text(interp, a.gateway);
  if (is("hostname")) return result_text(interp, host_name_text());
  if (is("domain")) return result_text(interp, platform::dns_domain());
  if (is("mac_address")) return result_text(interp, a.has_mac ? hex_bytes(a.mac, "") : "");
  if (is("fmac_address")) return result_text(interp, a.has_mac ? hex_bytes(a.mac, ":") : "");
  if (is("primary_dns") || is("secondary_dns")) {
    std::vector<std::string> servers = platform::name_servers();
    size_t i = is("primary_dns") ? 0 : 1;
    return result_text(interp, i < servers.size() ? servers[i] : "");
  }
  if (is("dhcp_enabled")) {
    return core::result_bool(interp, !lease_value(a.index, "ADDRESS").empty());
  }
  if (is("dhcp_server")) return result_text(interp, lease_value(a.index, "SERVER_ADDRESS"));
  // Lease times and WINS servers are not kept on this system.
  return result_text(interp, "");
}

Code info_disks(Interp& interp, int, Value*, void*) {
  std::vector<std::string> mounts = platform::disk_mounts();
  if (mounts.empty()) return result_text(interp, "{}");
  std::string out;
  for (const std::string& m : mounts) core::list_append_element(out, m);
  return result_text(interp, out);
}

Code info_disksize(Interp& interp, int, Value* argv, void*) {
  uint64_t bytes = 0;
  if (!platform::disk_size(argv[2].view(), bytes)) {
    return core::fail(interp, core::Msg::InfoDiskFailed, argv[2]);
  }
  return result_u64(interp, bytes);
}

Code info_disktype(Interp& interp, int, Value* argv, void*) {
  return core::result_int(interp, platform::disk_type(argv[2].view()));
}

Code info_memory(Interp& interp, int, Value* argv, void*) {
  platform::MemoryStatus m = platform::memory_status();
  std::string_view w = argv[1].view();
  uint64_t v = m.total;
  if (core::iequals(w, "memavail")) v = m.avail;
  if (core::iequals(w, "memtotalpage")) v = m.total_page;
  if (core::iequals(w, "memavailpage")) v = m.avail_page;
  if (core::iequals(w, "memtotalvirtual")) v = m.total_virtual;
  if (core::iequals(w, "memavailvirtual")) v = m.avail_virtual;
  return result_u64(interp, v);
}

Code info_mempercentfree(Interp& interp, int, Value*, void*) {
  platform::MemoryStatus m = platform::memory_status();
  double percent =
      m.total ? static_cast<double>(m.avail) * 100.0 / static_cast<double>(m.total) : 0.0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", percent);
  return result_text(interp, buf);
}

Code info_monitorcount(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, platform::monitor_count());
}

// A random (version 4) GUID in upper-case hex groups 8-4-4-4-12.
Code info_guid(Interp& interp, int, Value*, void*) {
  unsigned char b[16] = {};
  if (!platform::random_bytes(b, sizeof b)) {
    return core::fail(interp, core::Msg::InfoDiskFailed, "/dev/urandom");
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return result_text(interp, buf);
}

// The library folder: the executable's folder followed by "/lib".
Code info_lib(Interp& interp, int, Value*, void*) {
  return result_text(interp, library_folder());
}

}  // namespace syslib
