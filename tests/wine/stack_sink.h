#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oleauto.h>

namespace corvel::wine_test {

// A callback object of a test client that lives on the client's stack: it counts no references and
// answers for IUnknown, IDispatch and the one interface it stands for; it has no type information, so
// callers reach it by dispatch identifier or through the interface itself.
template <class Interface>
class StackSink : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, sink_iid())) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

  protected:
    StackSink() = default;
    ~StackSink() = default;
    // The interface the sink stands for, beside IUnknown and IDispatch.
    virtual const IID& sink_iid() const = 0;
};

}  // namespace corvel::wine_test
