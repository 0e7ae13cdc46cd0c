#include "platform/Files.h"

#include <dirent.h>
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

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path) {
  std::random_device random;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".tmp-%08x", static_cast<unsigned>(random()));
  temporary_ = path + suffix;
  fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd_ < 0) error_ = errno;
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temporary_.c_str());
  }
}

bool AtomicFileWriter::Write(std::string_view piece) {
  if (error_ != 0) return false;
  size_t written = 0;
  while (written < piece.size()) {
    ssize_t n = ::write(fd_, piece.data() + written, piece.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return false;
    }
    written += static_cast<size_t>(n);
  }
  return true;
}

bool AtomicFileWriter::Commit(std::string* reason) {
  auto fail = [&](int error) {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
    ::unlink(temporary_.c_str());
    if (reason) *reason = std::strerror(error);
    return false;
  };
  if (error_ != 0) return fail(error_);
  if (::fsync(fd_) != 0 && errno != EINVAL) return fail(errno);
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return fail(errno);
  // Keep the permissions of a file being replaced.
  struct stat st;
  if (::stat(path_.c_str(), &st) == 0) ::chmod(temporary_.c_str(), st.st_mode & 07777);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) return fail(errno);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* reason) {
  AtomicFileWriter writer(path);
  writer.Write(contents);
  return writer.Commit(reason);
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

namespace quadrell {

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.push_back(std::move(name));
  }
  ::closedir(dir);
  return names;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace quadrell
