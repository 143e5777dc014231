#include "entry/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zeb {

std::string InstanceLock::Folder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
    return std::string(runtime) + "/";
  }
  const std::string folder = "/tmp/zebbot-" + std::to_string(::getuid()) + "/";
  ::mkdir(folder.c_str(), 0700);
  // A folder someone else made, or one others may write into, is not used.
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
      info.st_uid != ::getuid() || (info.st_mode & 0077) != 0) {
    return {};
  }
  return folder;
}

InstanceLock::InstanceLock(const std::string& name) {
  const std::string folder = Folder();
  if (folder.empty()) return;
  fd_ = ::open((folder + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    state_ = State::kHeld;
    return;
  }
  state_ = errno == EWOULDBLOCK ? State::kTakenElsewhere : State::kUnavailable;
  ::close(fd_);
  fd_ = -1;
}

InstanceLock::~InstanceLock() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

}  // namespace zeb
