#pragma once
// Fuzz input bytes as a file in memory, under a path that readers taking a
// file name can open and writers can create again; closed with the object.
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "tests/fuzz/fuzzcheck.h"

class MemoryFile {
 public:
  explicit MemoryFile(std::string_view bytes) : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
    FUZZ_CHECK(fd_ >= 0);
    FUZZ_CHECK(bytes.empty() || ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};
