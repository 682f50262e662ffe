// What a file is on disk now, to tell whether it has changed since it was
// read: its device, inode, size and modification time to the nanosecond. A
// file replaced by a rename gets another inode; one written in place, another
// time or size (within the tick in which file times advance: callers that
// keep what they read must allow for that).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace platform {

struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modified_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

inline FileStamp StampOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  return {true, info.st_dev, info.st_ino, info.st_size,
          std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace platform
