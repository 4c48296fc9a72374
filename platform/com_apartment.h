#pragma once

// Windows only: the calling thread's membership of a single-threaded COM
// apartment, for the window's thread and the objects it creates.

#include <objbase.h>

namespace platform {

// Joins the calling thread to a single-threaded COM apartment for as long as
// it lives, and leaves it again only if joining succeeded. Calls nest, so a
// thread that has already joined one is fine; a thread in the multithreaded
// apartment (RPC_E_CHANGED_MODE) can still use most objects, so callers
// decide from result() whether to go on.
class ComApartment {
 public:
  ComApartment()
      : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

}  // namespace platform
