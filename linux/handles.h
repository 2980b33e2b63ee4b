#pragma once
// Owners of the two kinds of Linux resource the backend holds, each closed
// once: a file descriptor and an open directory.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>

namespace portolan::linux {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }

  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// A directory opened for reading its entries; `.` and `..` are passed over.
class OpenDirectory {
 public:
  explicit OpenDirectory(const std::string& path) : dir_(::opendir(path.c_str())) {}
  // A directory below an open one.
  OpenDirectory(int parentFd, const char* name) {
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      dir_ = ::fdopendir(fd);
      if (dir_ == nullptr) {
        ::close(fd);
      }
    }
  }
  OpenDirectory(const OpenDirectory&) = delete;
  OpenDirectory& operator=(const OpenDirectory&) = delete;
  ~OpenDirectory() {
    if (dir_ != nullptr) {
      ::closedir(dir_);
    }
  }

  explicit operator bool() const { return dir_ != nullptr; }
  int Fd() const { return ::dirfd(dir_); }

  // The next entry's name, valid until the next call; null at the end or on
  // an error.
  const char* Next() {
    if (dir_ == nullptr) {
      return nullptr;
    }
    while (const dirent* entry = ::readdir(dir_)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        return entry->d_name;
      }
    }
    return nullptr;
  }

 private:
  DIR* dir_ = nullptr;
};

}  // namespace portolan::linux
