#pragma once

#include <windows.h>

#include <unknwn.h>

#include "platform/com/errors.h"
#include "platform/com/object.h"

namespace corvel::com {

// Makes a new object of one class, as its owner.
using CreateObject = win32::com_ptr<IUnknown> (*)();

// Makes objects of one class for COM.
class ClassFactory final : public Implements<ClassFactory, IClassFactory> {
  public:
    explicit ClassFactory(CreateObject create) noexcept : create_(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        win32::com_ptr<IUnknown> object;
        const HRESULT hr = guard(__uuidof(IClassFactory), [&] { object = create_(); });
        if (FAILED(hr)) return hr;
        if (!object) return E_UNEXPECTED;
        return object->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
        lock_server(lock != FALSE);
        return S_OK;
    }

  private:
    CreateObject create_;
};

}  // namespace corvel::com
