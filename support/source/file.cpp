#include "mdxgen/support/file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace support_dll {

FileLocator::FileLocator(const VelaString& name) : name_(name) {
  if (name_.find(L'/') != VelaString::npos) {
    path_ = name_;
    located_ = true;
  }
}

FileLocator::~FileLocator() = default;

void FileLocator::setLocationToTemp() {
  const char* tmp = std::getenv("TMPDIR");
  VelaString folder =
      tmp != nullptr && *tmp != '\0' ? VelaString::fromUtf8(tmp) : VelaString(L"/tmp");
  if (folder.wstr().back() != L'/') folder += L'/';
  folder += name_;
  path_ = std::move(folder);
  located_ = true;
}

}  // namespace support_dll

namespace {

// The open flags of an fopen-style mode, or -1 for a mode that is not one.
int openFlags(const char* mode) {
  if (mode == nullptr) return -1;
  bool plus = false;
  for (const char* p = mode + (*mode != '\0'); *p != '\0'; ++p) {
    if (*p == '+' && !plus) {
      plus = true;
    } else if (*p != 'b') {
      return -1;
    }
  }
  const int access = plus ? O_RDWR : O_WRONLY;
  switch (*mode) {
    case 'r': return plus ? O_RDWR : O_RDONLY;
    case 'w': return access | O_CREAT | O_TRUNC;
    case 'a': return access | O_CREAT | O_APPEND;
    default: return -1;
  }
}

}  // namespace

File::File(const support_dll::FileLocator& locator)
    : path_(locator.getPath()), located_(locator.isLocationSet()) {}

File::~File() { close(); }

bool File::open(const char* mode) {
  close();
  const int flags = openFlags(mode);
  if (flags < 0 || !located_) return false;
  const std::string path = path_.toUtf8();
  do {
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd_ < 0 && errno == EINTR);
  return fd_ >= 0;
}

void File::close() {
  if (fd_ < 0) return;
  // The descriptor is released even when close reports an error; retrying
  // could close a descriptor another thread has been given meanwhile.
  ::close(fd_);
  fd_ = -1;
}

void File::writeLine(const VelaString& line) {
  if (fd_ < 0) return;
  std::string bytes = line.toUtf8();
  bytes += '\n';
  // One write carries the whole line; the loop only finishes a write that
  // the system cut short (a full disk, a signal).
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
}
