// One window of a kind per user: a lock file named after the kind ("ZEBBot.Mutex", ...) in the
// user's runtime folder ($XDG_RUNTIME_DIR, else a private /tmp/zebbot-UID folder), held with
// flock for as long as the object lives. A lock held by another holder, in this process or
// another, means a window of that kind is open.
#ifndef ZEB_ENTRY_INSTANCE_LOCK_H_
#define ZEB_ENTRY_INSTANCE_LOCK_H_

#include <string>

namespace zeb {

class InstanceLock {
 public:
  enum class State {
    kHeld,         // this object holds the lock
    kTakenElsewhere,  // a window of this kind is open: show nothing
    kUnavailable,  // no lock could be made: show the window without the guard
  };

  explicit InstanceLock(const std::string& name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  State state() const { return state_; }

  // The folder the lock files live in, made private to the user when it is ours to make.
  static std::string Folder();

 private:
  int fd_ = -1;
  State state_ = State::kUnavailable;
};

}  // namespace zeb

#endif  // ZEB_ENTRY_INSTANCE_LOCK_H_
