// The COM foundation the in-process servers are built from, run under Wine: the interface list that is
// the class, the adapter's identity and unwrap, the event source, a class of someone else's interface,
// the server table behind the DLL entry points, and the owners of VARIANTs and EXCEPINFOs.
//   com_checks.exe    (prints "<n> checks, <m> failed"; exits with the number failed)
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "common/automation_error.h"
#include "common/ref.h"
#include "platform/com/adapter.h"
#include "platform/com/connection_point.h"
#include "platform/com/dispatch.h"
#include "platform/com/module.h"
#include "platform/com/object.h"
#include "platform/com/server.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/wine/checks.h"

// Interfaces of a pretend type library, declared as the generated headers declare theirs.
struct ICounter : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Value(LONG* value) = 0;
};
__CRT_UUID_DECL(ICounter, 0xe9d11d2c, 0x12d7, 0x4e78, 0xa2, 0x94, 0x76, 0x7c, 0xe5, 0x31, 0x74, 0xcd)
struct ILabel : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Text(BSTR* text) = 0;
};
__CRT_UUID_DECL(ILabel, 0x655dc11f, 0xed24, 0x494e, 0x89, 0xcb, 0xf5, 0x43, 0x73, 0x28, 0x3e, 0x7a)
struct ICounterEvents : public IDispatch {};
__CRT_UUID_DECL(ICounterEvents, 0xafeb7917, 0xd5fc, 0x48bb, 0xb2, 0x31, 0xb8, 0x10, 0x2b, 0x4b, 0xf1, 0xe7)
class Counter;
__CRT_UUID_DECL(Counter, 0xa24f6c1e, 0x417e, 0x449f, 0xa9, 0x86, 0x36, 0x29, 0x2b, 0x60, 0xfd, 0x4c)
// An interface of another product's contract, as Excel's IRtdServer is to us.
struct IOutside : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Start(LONG value, LONG* result) = 0;
};
__CRT_UUID_DECL(IOutside, 0xf9ee56c2, 0xee73, 0x4b5f, 0x8b, 0x60, 0x54, 0x75, 0xec, 0xc3, 0x3f, 0x16)

namespace {

using namespace corvel;
using win32::com_ptr;

using wine_test::check;

template <class I>
com_ptr<I> query(IUnknown* object) {
    com_ptr<I> out;
    object->QueryInterface(__uuidof(I), out.put_void());
    return out;
}

com_ptr<IUnknown> identity_of(IUnknown* object) {
    return query<IUnknown>(object);
}

// How many references an object has, read the only way COM offers.
ULONG references(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// ------------------------------------------------------------------------------------------------
// Classes made from the foundation

int g_destroyed = 0;

// An interface list with a dual interface, a second one and IProvideClassInfo2.
class Probe final : public com::Implements<Probe, ICounter, ILabel, IProvideClassInfo2> {
  public:
    explicit Probe(LONG value = 7) : value_(value) {}
    ~Probe() override { ++g_destroyed; }

    HRESULT STDMETHODCALLTYPE get_Value(LONG* value) noexcept override {
        *value = value_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Text(BSTR* text) noexcept override {
        *text = ::SysAllocString(L"probe");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD, GUID*) noexcept override { return E_NOTIMPL; }

  private:
    LONG value_;
};

// Logic objects and their adapters.
struct Record : RefCounted<Record> {
    LONG value = 0;
};
struct Other : RefCounted<Other> {};

class RecordObject final : public com::Adapter<RecordObject, Record, ICounter> {
  public:
    using Adapter::Adapter;
    HRESULT STDMETHODCALLTYPE get_Value(LONG* value) noexcept override {
        return guard([&] { *value = logic()->value; });
    }
};
class OtherObject final : public com::Adapter<OtherObject, Other, ICounter> {
  public:
    using Adapter::Adapter;
    HRESULT STDMETHODCALLTYPE get_Value(LONG* value) noexcept override {
        *value = -1;
        return S_OK;
    }
};

// A class with events, as the connection object is.
class Source final : public com::Dispatchable<Source, ICounter, com::EventSource<Counter, ICounterEvents>> {
  public:
    ~Source() override { ++g_destroyed; }
    HRESULT STDMETHODCALLTYPE get_Value(LONG* value) noexcept override {
        *value = 1;
        return S_OK;
    }
    HRESULT raise(DISPID id, VARIANT* args, UINT count) noexcept { return fire(id, args, count); }
    bool connected() const noexcept { return has_sinks(); }
};

// A late-bound sink that records what arrives and may fail or drop a reference while it runs.
class Sink final : public com::Implements<Sink, IDispatch> {
  public:
    struct Call {
        DISPID id;
        std::vector<LONG> args;  // as the sink receives them: last to first
    };
    std::vector<Call> calls;
    HRESULT result = S_OK;
    IUnknown* drop_during_call = nullptr;  // released inside the next call
    int alive_after_drop = -1;             // 1 when the object was still there after that release

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO* info, UINT*) noexcept override {
        Call call{id, {}};
        for (UINT i = 0; params && i < params->cArgs; ++i)
            call.args.push_back(V_I4(&params->rgvarg[i]));
        calls.push_back(call);
        if (drop_during_call) {
            const int before = g_destroyed;
            std::exchange(drop_during_call, nullptr)->Release();
            alive_after_drop = g_destroyed == before ? 1 : 0;
        }
        if (FAILED(result) && info) {
            info->bstrSource = ::SysAllocString(L"sink");
            info->bstrDescription = ::SysAllocString(L"the handler failed");
            info->scode = result;
            return DISP_E_EXCEPTION;
        }
        return result;
    }
};

// A class of an outside contract: no type library of ours describes it.
class Outside final : public com::EarlyBound<Outside, IOutside> {
  public:
    HRESULT STDMETHODCALLTYPE Start(LONG value, LONG* result) noexcept override {
        return guard([&] {
            if (value < 0)
                throw AutomationError(vb_error::kInvalidProcedureCall, "Outside", "No negative start");
            *result = value * 2;
        });
    }
};

// ------------------------------------------------------------------------------------------------

void interface_list_is_the_class() {
    const long live = com::live_objects();
    g_destroyed = 0;
    {
        com_ptr<Probe> probe = com::make_object<Probe>();
        check(com::live_objects() == live + 1, "a new object keeps the server loaded");
        check(references(static_cast<ICounter*>(probe.get())) == 1,
              "make_object hands over the one reference");

        const com_ptr<IUnknown> unknown = identity_of(static_cast<ICounter*>(probe.get()));
        check(unknown.get() == static_cast<IUnknown*>(static_cast<ICounter*>(probe.get())),
              "the first interface is the object's identity");
        com_ptr<ILabel> label = query<ILabel>(unknown.get());
        check(label && identity_of(label.get()).get() == unknown.get(),
              "every listed interface answers, with the same identity");
        BSTR text = nullptr;
        check(label && SUCCEEDED(label->get_Text(&text)) && win32::from_bstr(text) == "probe",
              "a listed interface reaches its own methods");
        win32::unique_bstr owned(text);

        const com_ptr<IDispatch> dispatch = query<IDispatch>(unknown.get());
        check(dispatch.get() == static_cast<IDispatch*>(static_cast<ICounter*>(probe.get())),
              "IDispatch is the first listed interface deriving from it, every time");
        const com_ptr<IProvideClassInfo> info = query<IProvideClassInfo>(unknown.get());
        check(info.get() == static_cast<IProvideClassInfo*>(static_cast<IProvideClassInfo2*>(probe.get())),
              "IProvideClassInfo is answered through IProvideClassInfo2");

        void* out = reinterpret_cast<void*>(1);
        check(unknown->QueryInterface(__uuidof(IOutside), &out) == E_NOINTERFACE && out == nullptr,
              "an interface not in the list: E_NOINTERFACE and a null result");
        check(unknown->QueryInterface(__uuidof(ICounter), nullptr) == E_POINTER, "no place for the result");

        com_ptr<ICounter> counter = label.as<ICounter>();
        LONG value = 0;
        check(counter && SUCCEEDED(counter->get_Value(&value)) && value == 7, "as<U>() finds U by its type");
        check(!com_ptr<ICounter>().as<ILabel>(), "as<U>() of nothing is nothing");
        com_ptr<ICounter> moved(com::make_object<Probe>(9));
        check(moved && SUCCEEDED(moved->get_Value(&value)) && value == 9 && references(moved.get()) == 1,
              "an owner of the class becomes an owner of its interface without a new reference");
    }
    check(g_destroyed == 2 && com::live_objects() == live, "the last release deletes the object");
}

void adapter_keeps_one_object_per_logic_object() {
    const long live = com::live_objects();
    const Ref<Record> record = make_ref<Record>();
    record->value = 41;
    {
        com_ptr<ICounter> first = RecordObject::wrap(record);
        com_ptr<ICounter> second = RecordObject::wrap(record);
        check(first && first.get() == second.get(), "the same logic object gives the same automation object");
        check(record->ref_count() == 2, "the adapter holds its logic object");
        LONG value = 0;
        check(SUCCEEDED(first->get_Value(&value)) && value == 41, "the adapter reads its logic object");
        check(!RecordObject::wrap(nullptr), "Nothing wraps as Nothing");

        check(RecordObject::unwrap(first.get(), "Test.Member") == record,
              "unwrap gives the logic object back");
        check(RecordObject::unwrap(nullptr, "Test.Member") == nullptr, "Nothing unwraps as Nothing");
        check(references(first.get()) == 2, "unwrap keeps no reference");

        const auto mismatch = [](IUnknown* object, const char* what) {
            try {
                RecordObject::unwrap(object, "Test.Member");
                check(false, what + std::string(": accepted"));
            } catch (const AutomationError& e) {
                check(e.number() == vb_error::kTypeMismatch && e.source() == "Test.Member", what);
            }
        };
        com_ptr<ICounter> foreign = com::make_object<Probe>();
        mismatch(foreign.get(),
                 "an object that is not an adapter is a type mismatch with the member's source");
        com_ptr<ICounter> other = OtherObject::wrap(make_ref<Other>());
        mismatch(other.get(), "an adapter of another class is a type mismatch");
    }
    check(record->ref_count() == 1 && com::live_objects() == live,
          "the adapters go with their last reference");
    com_ptr<ICounter> again = RecordObject::wrap(record);
    check(again && references(again.get()) == 1, "a logic object whose adapter went gets a new one");
}

com_ptr<IConnectionPoint> events_of(ICounter* object) {
    com_ptr<IConnectionPoint> point;
    if (const auto container = query<IConnectionPointContainer>(object)) {
        container->FindConnectionPoint(__uuidof(ICounterEvents), point.put());
    }
    return point;
}

void event_source_raises_to_its_sinks() {
    com_ptr<Source> source = com::make_object<Source>();
    ICounter* object = source.get();
    com_ptr<IConnectionPointContainer> container = query<IConnectionPointContainer>(object);
    com_ptr<IProvideClassInfo2> info = query<IProvideClassInfo2>(object);
    check(container && info && query<IProvideClassInfo>(object),
          "the event source's interfaces are in the list");
    GUID events{};
    check(info && SUCCEEDED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events)) &&
              IsEqualIID(events, __uuidof(ICounterEvents)),
          "the class names its event interface");
    check(info && info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &events) == E_INVALIDARG,
          "only the default source interface is named");

    com_ptr<IConnectionPoint> point;
    check(container->FindConnectionPoint(__uuidof(ICounter), point.put()) == CONNECT_E_NOCONNECTION,
          "no connection point for another interface");
    point = events_of(object);
    check(static_cast<bool>(point), "the connection point of the events");
    if (!point) return;

    Sink first_sink, second_sink;  // on the stack, with the reference they start with: never deleted
    DWORD first = 0, second = 0;
    check(SUCCEEDED(point->Advise(static_cast<IDispatch*>(&first_sink), &first)) && first == 1,
          "the first sink gets cookie 1");
    check(SUCCEEDED(point->Advise(static_cast<IDispatch*>(&second_sink), &second)) && second == 2,
          "the second sink gets cookie 2");
    check(source->connected(), "the source knows it has sinks");

    VARIANT args[2];
    V_VT(&args[0]) = VT_I4, V_I4(&args[0]) = 10;
    V_VT(&args[1]) = VT_I4, V_I4(&args[1]) = 20;
    check(source->raise(5, args, 2) == S_OK, "an event every sink takes succeeds");
    check(first_sink.calls.size() == 1 && first_sink.calls[0].id == 5 &&
              first_sink.calls[0].args == std::vector<LONG>{20, 10} && second_sink.calls.size() == 1,
          "every sink is called, its arguments last to first as dispatch passes them");

    com_ptr<IEnumConnections> connections;
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    check(SUCCEEDED(point->EnumConnections(connections.put())) &&
              connections->Next(3, data, &fetched) == S_FALSE && fetched == 2 && data[0].dwCookie == 1 &&
              data[1].dwCookie == 2 && data[0].pUnk == static_cast<IDispatch*>(&first_sink),
          "the connections are enumerated with their sinks and cookies");
    for (ULONG i = 0; i < fetched; ++i)
        com_ptr<IUnknown>::adopt(data[i].pUnk);
    com_ptr<IEnumConnectionPoints> points, clone;
    IConnectionPoint* found = nullptr;
    check(SUCCEEDED(container->EnumConnectionPoints(points.put())) && SUCCEEDED(points->Clone(clone.put())) &&
              clone->Next(1, &found, nullptr) == S_OK && found == point.get(),
          "the one connection point is enumerated, by a clone too");
    com_ptr<IConnectionPoint>::adopt(found);

    first_sink.result = E_FAIL;
    check(source->raise(6, nullptr, 0) == DISP_E_EXCEPTION && second_sink.calls.size() == 2,
          "a failing sink's failure is the event's, after every sink was called");
    first_sink.result = S_OK;

    check(SUCCEEDED(point->Unadvise(first)), "a sink disconnects");
    check(point->Unadvise(first) == CONNECT_E_NOCONNECTION && point->Unadvise(99) == CONNECT_E_NOCONNECTION,
          "a cookie not connected is refused");
    source->raise(7, nullptr, 0);
    check(first_sink.calls.size() == 2 && second_sink.calls.size() == 3, "a disconnected sink hears nothing");

    // The connection point is part of the object: holding it holds the object.
    g_destroyed = 0;
    source.reset();
    container.reset();
    info.reset();
    connections.reset();
    points.reset();
    clone.reset();
    check(g_destroyed == 0, "a connection point held keeps its object");
    point.reset();
    check(g_destroyed == 1, "the object goes with the connection point's last reference");
    check(references(static_cast<IDispatch*>(&second_sink)) == 1, "and lets go of its sinks");
}

void event_source_outlives_a_handler_that_drops_it() {
    g_destroyed = 0;
    Sink dropping;
    Source* source = com::make_object<Source>().detach();  // the caller's one reference
    DWORD cookie = 0;
    events_of(source)->Advise(static_cast<IDispatch*>(&dropping), &cookie);
    dropping.drop_during_call = static_cast<ICounter*>(source);
    source->raise(1, nullptr, 0);
    check(dropping.alive_after_drop == 1, "the object outlives a handler that drops the last reference");
    check(g_destroyed == 1, "and goes when the event is done");
}

void outside_interface_is_early_bound() {
    com_ptr<IOutside> outside = com::make_object<Outside>();
    check(static_cast<bool>(query<IDispatch>(outside.get())),
          "IDispatch is answered through the outside interface");
    UINT count = 9;
    check(SUCCEEDED(outside->GetTypeInfoCount(&count)) && count == 0, "no type information to offer");
    DISPPARAMS none{};
    check(outside->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) == E_NOTIMPL,
          "late-bound calls are refused");
    LONG result = 0;
    check(outside->Start(21, &result) == S_OK && result == 42, "a method runs through its table");

    ::SetErrorInfo(0, nullptr);
    check(outside->Start(-1, &result) == MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 5),
          "a method's exception becomes its result");
    com_ptr<IErrorInfo> error;
    BSTR description = nullptr, source = nullptr;
    check(::GetErrorInfo(0, error.put()) == S_OK && error && SUCCEEDED(error->GetDescription(&description)) &&
              SUCCEEDED(error->GetSource(&source)),
          "and the thread's error object describes it");
    win32::unique_bstr d(description), s(source);
    check(win32::from_bstr(d.get()) == "No negative start" && win32::from_bstr(s.get()) == "Outside",
          "with the exception's description and source");
    const com_ptr<ISupportErrorInfo> supports = query<ISupportErrorInfo>(outside.get());
    check(supports && supports->InterfaceSupportsErrorInfo(__uuidof(IOutside)) == S_OK,
          "the outside interface reports its errors");
}

// The server table of a pretend DLL.
int g_created = 0;
com_ptr<IUnknown> create_probe() {
    ++g_created;
    return com_ptr<ICounter>(com::make_object<Probe>(3));
}
com_ptr<IUnknown> create_failing() {
    throw AutomationError(vb_error::kTypeMismatch, "Test.Failing", "cannot make one");
}
const CLSID kProbeClass = {0x0de4582b, 0x7ddb, 0x4114, {0x86, 0xd5, 0x60, 0x3f, 0x0f, 0x5e, 0x06, 0x88}};
const CLSID kFailingClass = {0x0de4582b, 0x7ddb, 0x4114, {0x86, 0xd5, 0x60, 0x3f, 0x0f, 0x5e, 0x06, 0x89}};
const CLSID kUnknownClass = {0x0de4582b, 0x7ddb, 0x4114, {0x86, 0xd5, 0x60, 0x3f, 0x0f, 0x5e, 0x06, 0x8a}};
const GUID kLibrary = {0x0de4582b, 0x7ddb, 0x4114, {0x86, 0xd5, 0x60, 0x3f, 0x0f, 0x5e, 0x06, 0x8b}};
const com::ServerClass kClasses[] = {
    {kProbeClass, L"Test.Probe", create_probe},
    {kFailingClass, L"Test.Failing", create_failing},
};
const com::Server kServer{"Test", kLibrary, kClasses};

void server_table_serves_the_entry_points() {
    check(com::can_unload_now() == S_OK, "nothing alive: the server may unload");
    void* out = reinterpret_cast<void*>(1);
    check(
        com::get_class_object(kServer, kUnknownClass, IID_IClassFactory, &out) == CLASS_E_CLASSNOTAVAILABLE &&
            out == nullptr,
        "a class not in the table is not available");
    check(com::get_class_object(kServer, kProbeClass, IID_IClassFactory, nullptr) == E_POINTER,
          "no place for the factory");

    com_ptr<IClassFactory> factory;
    check(SUCCEEDED(com::get_class_object(kServer, kProbeClass, IID_IClassFactory, factory.put_void())) &&
              factory,
          "the factory of a class in the table");
    check(com::can_unload_now() == S_FALSE, "a factory alive keeps the server loaded");
    com_ptr<ICounter> counter;
    LONG value = 0;
    check(SUCCEEDED(factory->CreateInstance(nullptr, __uuidof(ICounter), counter.put_void())) && counter &&
              SUCCEEDED(counter->get_Value(&value)) && value == 3 && g_created == 1,
          "the factory makes the table's class");
    check(references(counter.get()) == 1, "the caller holds the only reference");
    com_ptr<ILabel> label;
    check(SUCCEEDED(factory->CreateInstance(nullptr, __uuidof(ILabel), label.put_void())) && label,
          "any interface of the class can be asked for");
    void* none = reinterpret_cast<void*>(1);
    g_destroyed = 0;
    check(factory->CreateInstance(nullptr, __uuidof(IOutside), &none) == E_NOINTERFACE && none == nullptr &&
              g_destroyed == 1,
          "an interface the class lacks is refused, and the object made for it goes");
    check(factory->CreateInstance(counter.get(), __uuidof(ICounter), &none) == CLASS_E_NOAGGREGATION,
          "no aggregation");
    factory.reset();
    counter.reset();
    check(com::can_unload_now() == S_FALSE, "an object alive keeps the server loaded");
    label.reset();
    check(com::can_unload_now() == S_OK, "everything released: the server may unload");

    com_ptr<IClassFactory> failing;
    com::get_class_object(kServer, kFailingClass, IID_IClassFactory, failing.put_void());
    none = reinterpret_cast<void*>(1);
    check(failing &&
              failing->CreateInstance(nullptr, __uuidof(ICounter), &none) ==
                  MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, vb_error::kTypeMismatch) &&
              none == nullptr,
          "a class that cannot be made reports its error as the factory's result");
    check(failing && SUCCEEDED(failing->LockServer(TRUE)), "lock the server");
    failing.reset();
    check(com::can_unload_now() == S_FALSE, "a lock keeps the server loaded");
    com::get_class_object(kServer, kFailingClass, IID_IClassFactory, failing.put_void());
    check(failing && SUCCEEDED(failing->LockServer(FALSE)), "unlock it");
    failing.reset();
    check(com::can_unload_now() == S_OK, "unlocked: the server may unload");
}

void owners_of_variants_and_exception_descriptions() {
    g_destroyed = 0;
    com_ptr<ICounter> probe = com::make_object<Probe>();
    {
        win32::unique_variant held;
        check(!held, "a new variant holds nothing");
        VARIANT* slot = held.put();
        V_VT(slot) = VT_DISPATCH;
        V_DISPATCH(slot) = probe.get();
        probe->AddRef();
        check(static_cast<bool>(held) && references(probe.get()) == 2,
              "a variant holding an object owns a reference");

        win32::unique_variant moved(std::move(held));
        check(!held && references(probe.get()) == 2, "moving the owner hands the reference over");

        ::SetLastError(1234);
        moved.put();
        check(references(probe.get()) == 1 && V_VT(&moved.get()) == VT_EMPTY,
              "put() clears what was held and gives an empty slot");
        check(::GetLastError() == 1234, "clearing leaves the thread's error as it was");

        VARIANT* text = moved.put();
        V_VT(text) = VT_BSTR;
        V_BSTR(text) = ::SysAllocString(L"held");
        check(static_cast<bool>(moved), "a variant holding a string owns it");
    }
    probe.reset();
    check(g_destroyed == 1, "the object a variant held goes with the last reference");

    win32::unique_excepinfo info;
    check(!info, "a new description holds no texts");
    EXCEPINFO* filled = info.put();
    filled->bstrDescription = ::SysAllocString(L"it failed");
    filled->scode = E_FAIL;
    check(static_cast<bool>(info) && win32::from_bstr(info.get().bstrDescription) == "it failed",
          "a description with a text owns it");
    check(info.put()->bstrDescription == nullptr && info.get().scode == 0,
          "put() frees the texts of an earlier call and gives a blank description");
}

}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    com::set_library_name("Test");
    interface_list_is_the_class();
    adapter_keeps_one_object_per_logic_object();
    event_source_raises_to_its_sinks();
    event_source_outlives_a_handler_that_drops_it();
    outside_interface_is_early_bound();
    server_table_serves_the_entry_points();
    owners_of_variants_and_exception_descriptions();
    const int failed = wine_test::summary();
    ::CoUninitialize();
    return failed;
}
