#pragma once

// Windows only. A 32-bit program on 64-bit Windows sees C:\Windows\System32 as
// C:\Windows\SysWOW64 ("File System Redirector" on Microsoft Learn), so a path
// copied from 64-bit Explorer would name another file, or none. The redirection
// is per thread: this object turns it off on the calling thread while it lives,
// around exactly the file calls that take a user's path. Nothing that could
// load a DLL may run meanwhile, since the loader would look in the 64-bit
// folder too. A 64-bit program, or 32-bit Windows, has nothing to turn off.

namespace platform {

class Wow64RedirectionOff {
 public:
  Wow64RedirectionOff() noexcept;
  ~Wow64RedirectionOff();
  Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
  Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;

  // True while the redirection is off on this thread because of this object.
  bool active() const { return active_; }

 private:
  void* previous_ = nullptr;
  bool active_ = false;
};

}  // namespace platform
