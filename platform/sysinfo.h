// Facts about the machine: the operating system, memory, disks, network
// adapters and monitors, read from uname, /etc/os-release, sysinfo, /proc,
// statvfs, getifaddrs and /sys; and random GUIDs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct OsInfo {
  std::string product;  // PRETTY_NAME of /etc/os-release, else the kernel name
  std::string release;  // the kernel release as uname gives it
  int64_t major = 0;    // leading numbers of the kernel release
  int64_t minor = 0;
  int64_t build = 0;
  int bits = 64;  // word size of the machine
};
OsInfo os_info();

// Memory figures in bytes. "Page" figures count physical memory and swap
// together; "virtual" ones the address space a process may use.
struct MemoryStatus {
  uint64_t total = 0;
  uint64_t avail = 0;
  uint64_t total_page = 0;
  uint64_t avail_page = 0;
  uint64_t total_virtual = 0;
  uint64_t avail_virtual = 0;
};
MemoryStatus memory_status();
// Bytes the C heap has handed out (in-use blocks plus mapped blocks).
uint64_t heap_in_use();
// The resident set size of this process in bytes (/proc/self/statm).
uint64_t resident_bytes();

// Mount points of the file systems on block devices, "/" first.
std::vector<std::string> disk_mounts();
// Total size of the file system holding `path`; false when it cannot be read.
bool disk_size(std::string_view path, uint64_t& bytes);
// The drive-type number of the file system holding `path`: 1 no such path,
// 2 removable, 3 fixed, 4 remote, 5 optical, 6 memory, 0 unknown.
int disk_type(std::string_view path);

// One network adapter (loopback excluded), in the order the system lists them.
struct Adapter {
  std::string name;
  int64_t index = 0;
  int64_t type = 0;  // 6 Ethernet, 71 wireless, 23 point-to-point, 1 other
  std::string ip_address;
  std::string netmask;
  std::string gateway;
  std::array<unsigned char, 6> mac{};
  bool has_mac = false;
  bool up = false;
};
std::vector<Adapter> adapters();
// Name servers and the search domain of /etc/resolv.conf.
std::vector<std::string> name_servers();
std::string dns_domain();

// Connected displays (at least 1).
int monitor_count();

// Random bytes from the system's generator (false when it fails).
bool random_bytes(void* buffer, size_t size);

}  // namespace platform
