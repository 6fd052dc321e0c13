// Facts about the machine on Linux.
#include "platform/sysinfo.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <malloc.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/process.h"

namespace platform {
namespace {

std::vector<std::string> read_lines(const char* path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string read_first_line(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// The value of KEY=VALUE in /etc/os-release style text, quotes removed.
std::string os_release_value(const std::vector<std::string>& lines, std::string_view key) {
  for (const std::string& line : lines) {
    if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 ||
        line[key.size()] != '=') {
      continue;
    }
    std::string v = line.substr(key.size() + 1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    return v;
  }
  return {};
}

// A figure of /proc/meminfo in bytes ("MemAvailable"); false when missing.
bool meminfo(std::string_view key, uint64_t& bytes) {
  for (const std::string& line : read_lines("/proc/meminfo")) {
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
        line[key.size()] == ':') {
      bytes = std::strtoull(line.c_str() + key.size() + 1, nullptr, 10) * 1024;
      return true;
    }
  }
  return false;
}

// Mount table entries: device, mount point (octal escapes decoded), type.
struct Mount {
  std::string device;
  std::string point;
  std::string type;
};

std::string decode_mount_field(std::string_view field) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
        octal(field[i + 3])) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<Mount> mounts() {
  std::vector<Mount> out;
  for (const std::string& line : read_lines("/proc/self/mounts")) {
    std::istringstream words(line);
    Mount m;
    std::string point;
    if (!(words >> m.device >> point >> m.type)) continue;
    m.point = decode_mount_field(point);
    out.push_back(std::move(m));
  }
  return out;
}

// The mount that holds `path`: the longest mount point that is a prefix of it.
const Mount* mount_of(const std::vector<Mount>& table, const std::string& path) {
  const Mount* best = nullptr;
  for (const Mount& m : table) {
    const std::string& p = m.point;
    bool holds =
        p == "/" || path == p ||
        (path.size() > p.size() && path.compare(0, p.size(), p) == 0 && path[p.size()] == '/');
    // Later entries mount over earlier ones at the same point.
    if (holds && (best == nullptr || p.size() >= best->point.size())) best = &m;
  }
  return best;
}

std::string ipv4_text(const sockaddr* addr) {
  if (addr == nullptr || addr->sa_family != AF_INET) return {};
  char buf[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(addr);
  return ::inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf) ? buf : "";
}

// The default gateway of an interface from /proc/net/route.
std::string gateway_of(const std::string& name) {
  std::vector<std::string> lines = read_lines("/proc/net/route");
  for (size_t i = 1; i < lines.size(); ++i) {
    std::istringstream words(lines[i]);
    std::string iface, dest, gw;
    if (!(words >> iface >> dest >> gw) || iface != name || dest != "00000000") continue;
    in_addr a{};
    a.s_addr = static_cast<in_addr_t>(std::strtoul(gw.c_str(), nullptr, 16));
    char buf[INET_ADDRSTRLEN] = {};
    return ::inet_ntop(AF_INET, &a, buf, sizeof buf) ? buf : "";
  }
  return {};
}

int64_t adapter_type(const std::string& name) {
  std::error_code ec;
  if (std::filesystem::exists("/sys/class/net/" + name + "/wireless", ec)) return 71;
  long arp = std::strtol(read_first_line("/sys/class/net/" + name + "/type").c_str(), nullptr, 10);
  if (arp == 1) return 6;     // Ethernet
  if (arp == 512) return 23;  // point-to-point
  return 1;
}

}  // namespace

OsInfo os_info() {
  OsInfo info;
  utsname u{};
  if (::uname(&u) == 0) {
    info.product = u.sysname;
    info.release = u.release;
    std::string_view machine = u.machine;
    info.bits = (machine.find("64") != std::string_view::npos || machine == "s390x") ? 64 : 32;
  } else {
    set_last_error(errno);
  }
  std::vector<std::string> lines = read_lines("/etc/os-release");
  if (lines.empty()) lines = read_lines("/usr/lib/os-release");
  std::string pretty = os_release_value(lines, "PRETTY_NAME");
  if (!pretty.empty()) info.product = pretty;
  const char* p = info.release.c_str();
  char* end = nullptr;
  info.major = std::strtoll(p, &end, 10);
  if (end && *end == '.') info.minor = std::strtoll(end + 1, &end, 10);
  if (end && *end == '.') info.build = std::strtoll(end + 1, &end, 10);
  return info;
}

uint64_t heap_in_use() {
  struct mallinfo2 mi = ::mallinfo2();
  return static_cast<uint64_t>(mi.uordblks) + static_cast<uint64_t>(mi.hblkhd);
}

uint64_t resident_bytes() {
  std::ifstream in("/proc/self/statm");
  uint64_t pages_total = 0;
  uint64_t pages_resident = 0;
  if (!(in >> pages_total >> pages_resident)) return 0;
  long page = ::sysconf(_SC_PAGESIZE);
  return pages_resident * static_cast<uint64_t>(page > 0 ? page : 4096);
}

MemoryStatus memory_status() {
  MemoryStatus m;
  struct sysinfo si {};
  if (::sysinfo(&si) != 0) {
    set_last_error(errno);
    return m;
  }
  uint64_t unit = si.mem_unit ? si.mem_unit : 1;
  m.total = static_cast<uint64_t>(si.totalram) * unit;
  if (!meminfo("MemAvailable", m.avail)) m.avail = static_cast<uint64_t>(si.freeram) * unit;
  m.total_page = m.total + static_cast<uint64_t>(si.totalswap) * unit;
  m.avail_page = m.avail + static_cast<uint64_t>(si.freeswap) * unit;
  // The address space: the limit set for the process, else the user half of
  // the machine's addresses (47 bits on 64-bit machines).
  rlimit lim{};
  uint64_t space = sizeof(void*) == 8 ? (uint64_t{1} << 47) : (uint64_t{1} << 32);
  if (::getrlimit(RLIMIT_AS, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY) space = lim.rlim_cur;
  m.total_virtual = space;
  uint64_t used = 0;
  for (const std::string& line : read_lines("/proc/self/status")) {
    if (line.rfind("VmSize:", 0) == 0) {
      used = std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
    }
  }
  m.avail_virtual = used < space ? space - used : 0;
  return m;
}

std::vector<std::string> disk_mounts() {
  std::vector<std::string> out{"/"};
  for (const Mount& m : mounts()) {
    if (m.device.rfind("/dev/", 0) != 0) continue;
    if (std::find(out.begin(), out.end(), m.point) == out.end()) out.push_back(m.point);
  }
  return out;
}

bool disk_size(std::string_view path, uint64_t& bytes) {
  struct statvfs st {};
  if (path.empty() || ::statvfs(std::string(path).c_str(), &st) != 0) {
    set_last_error(path.empty() ? ENOENT : errno);
    return false;
  }
  bytes = static_cast<uint64_t>(st.f_blocks) * (st.f_frsize ? st.f_frsize : st.f_bsize);
  return true;
}

int disk_type(std::string_view path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) return 1;
  std::filesystem::path full = std::filesystem::weakly_canonical(path, ec);
  if (ec) return 0;
  std::vector<Mount> table = mounts();
  const Mount* m = mount_of(table, full.string());
  if (m == nullptr) return 0;
  const std::string& t = m->type;
  for (const char* remote : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "ceph"}) {
    if (t == remote) return 4;
  }
  if (t == "iso9660" || t == "udf") return 5;
  if (t == "tmpfs" || t == "ramfs") return 6;
  if (m->device.rfind("/dev/", 0) != 0) return 0;
  // A partition's removable flag is its disk's: /sys/class/block/<dev>/../removable
  std::string dev = std::filesystem::path(m->device).filename().string();
  std::string flag = read_first_line("/sys/class/block/" + dev + "/removable");
  if (flag.empty()) flag = read_first_line("/sys/class/block/" + dev + "/../removable");
  return flag == "1" ? 2 : 3;
}

std::vector<Adapter> adapters() {
  std::vector<Adapter> out;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    set_last_error(errno);
    return out;
  }
  auto entry_for = [&out](const char* name) -> Adapter& {
    for (Adapter& a : out) {
      if (a.name == name) return a;
    }
    out.push_back(Adapter{});
    out.back().name = name;
    return out.back();
  };
  for (ifaddrs* ifa = list; ifa != nullptr; ifa = ifa->ifa_next) {
    if (ifa->ifa_name == nullptr || (ifa->ifa_flags & IFF_LOOPBACK) != 0) continue;
    Adapter& a = entry_for(ifa->ifa_name);
    a.up = a.up || ((ifa->ifa_flags & IFF_UP) != 0 && (ifa->ifa_flags & IFF_RUNNING) != 0);
    if (ifa->ifa_addr == nullptr) continue;
    if (ifa->ifa_addr->sa_family == AF_INET && a.ip_address.empty()) {
      a.ip_address = ipv4_text(ifa->ifa_addr);
      a.netmask = ipv4_text(ifa->ifa_netmask);
    } else if (ifa->ifa_addr->sa_family == AF_PACKET) {
      const auto* ll = reinterpret_cast<const sockaddr_ll*>(ifa->ifa_addr);
      if (ll->sll_halen == 6) {
        std::copy(ll->sll_addr, ll->sll_addr + 6, a.mac.begin());
        a.has_mac = true;
      }
    }
  }
  ::freeifaddrs(list);
  for (Adapter& a : out) {
    a.index = ::if_nametoindex(a.name.c_str());
    a.type = adapter_type(a.name);
    a.gateway = gateway_of(a.name);
  }
  return out;
}

std::vector<std::string> name_servers() {
  std::vector<std::string> out;
  for (const std::string& line : read_lines("/etc/resolv.conf")) {
    std::istringstream words(line);
    std::string key, value;
    if (words >> key >> value && key == "nameserver") out.push_back(value);
  }
  return out;
}

std::string dns_domain() {
  std::string found;
  for (const std::string& line : read_lines("/etc/resolv.conf")) {
    std::istringstream words(line);
    std::string key, value;
    if (!(words >> key >> value)) continue;
    if (key == "domain") return value;
    if (key == "search" && found.empty()) found = value;
  }
  return found;
}

int monitor_count() {
  int count = 0;
  std::error_code ec;
  std::filesystem::directory_iterator it("/sys/class/drm", ec);
  if (!ec) {
    for (const auto& entry : it) {
      if (read_first_line((entry.path() / "status").string()) == "connected") ++count;
    }
  }
  return count > 0 ? count : 1;
}

bool random_bytes(void* buffer, size_t size) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    ssize_t n = ::getrandom(p, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      set_last_error(errno);
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace platform
