#pragma once

#include <windows.h>
#include <unknwn.h>

#include "platform/com/errors.h"
#include "platform/com/object.h"

namespace corvel::com {

// Makes objects of one class. `Create` returns a new object with one reference, as an IUnknown.
template <IUnknown* (*Create)()>
class ClassFactory final : public ComObject<ClassFactory<Create>, IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* object = nullptr;
        const HRESULT hr = guard(IID_IClassFactory, [&] { object = Create(); });
        if (FAILED(hr)) return hr;
        const HRESULT qi = object->QueryInterface(iid, out);
        object->Release();
        return qi;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock_server(lock != FALSE);
        return S_OK;
    }
};

template <IUnknown* (*Create)()>
HRESULT get_class_object(REFIID iid, void** out) {
    auto* factory = make_object<ClassFactory<Create>>();
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

}  // namespace corvel::com
