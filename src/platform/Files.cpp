#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace quadrell {

std::optional<std::string> ReadWholeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string data;
  if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  while (true) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* reason) {
  auto fail = [&](int error) {
    if (reason) *reason = std::strerror(error);
    return false;
  };
  std::random_device random;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".tmp-%08x", static_cast<unsigned>(random()));
  std::string temporary = path + suffix;
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return fail(errno);
  size_t written = 0;
  while (written < contents.size()) {
    ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      ::unlink(temporary.c_str());
      return fail(error);
    }
    written += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 && errno != EINVAL) {
    int error = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    return fail(error);
  }
  if (::close(fd) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    return fail(error);
  }
  // Keep the permissions of a file being replaced.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) ::chmod(temporary.c_str(), st.st_mode & 07777);
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    return fail(error);
  }
  return true;
}

bool MakeFolders(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty()) ::mkdir(partial.c_str(), 0755);
    }
    if (i < path.size()) partial.push_back(path[i]);
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quadrell
