#pragma once

// Windows only: the owner of one COM interface pointer.

#include <unknwn.h>

#include <memory>

namespace platform {

struct ComReleaser {
  void operator()(IUnknown* object) const { object->Release(); }
};

// Holds one reference to a COM object and releases it when it goes.
template <class Interface>
using ComPtr = std::unique_ptr<Interface, ComReleaser>;

// Creates the in-process object of class `id` and returns its `Interface`, or
// null with `result` saying why.
template <class Interface>
ComPtr<Interface> CreateInstance(REFCLSID id, REFIID interface_id, HRESULT& result) {
  void* object = nullptr;
  result = CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, interface_id, &object);
  return ComPtr<Interface>(SUCCEEDED(result) ? static_cast<Interface*>(object) : nullptr);
}

}  // namespace platform
