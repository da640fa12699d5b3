// The registered Pelorin.dll as a compiled caller meets it: the class by its ProgID, every member's
// dispatch identifier by name, the type library's contract (help string, version, member order and
// signatures), an argument that is no object refused with its error, and the library's life: two
// objects, released in either order, then unloaded when unused and loaded again, three times.
//   pelorin_checks.exe    (prints "<n> checks, <m> failed"; exits with the number failed)
#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/wine/checks.h"
#include "ui/entry/pelorin_dispatch.h"

namespace {

using corvel::win32::com_ptr;
using corvel::win32::unique_bstr;
using corvel::win32::unique_excepinfo;
using corvel::win32::unique_variant;
using corvel::wine_test::check;

// The identifiers existing callers and registrations know.
constexpr GUID kLibId = {0x4489d611, 0x17c4, 0x4ec8, {0xa9, 0x6c, 0x5b, 0x6a, 0x6e, 0x0f, 0x5b, 0x27}};
constexpr GUID kClsId = {0x09563c20, 0xef43, 0x4edc, {0x9e, 0x14, 0xe8, 0x6f, 0x6c, 0xc7, 0x07, 0x83}};

struct Member {
    const wchar_t* name;
    DISPID id;
};
// In slot order, as callers compiled against the class know them.
constexpr Member kMembers[] = {
    {L"m_ObjExcelApplication", 0x40030003}, {L"RefEditInputs", 0x68030001},
    {L"ExcelApplication", 0x68030000},      {L"CreateNewProject", 0x60030004},
    {L"AddNewSymbol", 0x60030005},          {L"ShowRefEditInterface", 0x60030006},
    {L"UnloadfrmMaster", 0x60030007},
};

com_ptr<IDispatch> create_pelorin() {
    com_ptr<IDispatch> object;
    CLSID clsid{};
    if (FAILED(::CLSIDFromProgID(L"Pelorin.cPelorin", &clsid))) return object;
    ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
    return object;
}

DISPID id_of(IDispatch* object, const std::wstring& name) {
    std::wstring text = name;
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

struct Result {
    HRESULT hr = E_FAIL;
    unique_variant value;
    unique_excepinfo error;
};

Result invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args = {}) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    Result r;
    r.hr = object->Invoke(id_of(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.put(),
                          r.error.put(), nullptr);
    return r;
}

bool raised(const Result& r, HRESULT number, const std::string& source, const std::string& description) {
    const bool ok = r.hr == DISP_E_EXCEPTION && r.error.get().scode == number &&
                    corvel::win32::from_bstr(r.error.get().bstrSource) == source &&
                    corvel::win32::from_bstr(r.error.get().bstrDescription) == description;
    if (!ok) {
        std::printf("   got 0x%08lx, scode 0x%08lx, '%s': '%s'\n", static_cast<unsigned long>(r.hr),
                    static_cast<unsigned long>(r.error.get().scode),
                    corvel::win32::from_bstr(r.error.get().bstrSource).c_str(),
                    corvel::win32::from_bstr(r.error.get().bstrDescription).c_str());
    }
    return ok;
}

void check_dispatch_identifiers(IDispatch* p) {
    for (const Member& m : kMembers) {
        const std::string name = corvel::win32::narrow(m.name);
        check(id_of(p, m.name) == m.id, "GetIDsOfNames " + name);
        std::wstring lower = m.name;
        for (wchar_t& c : lower)
            c = static_cast<wchar_t>(towlower(c));
        check(id_of(p, lower) == m.id, "GetIDsOfNames " + name + " in any letter case");
        const corvel::pelorin::DispatchMember* known = corvel::pelorin::find_pelorin_member(name);
        check(known && known->dispid == m.id, "the library's own table agrees on " + name);
    }
    check(id_of(p, L"NoSuchMember") == DISPID_UNKNOWN, "an unknown name has no identifier");
}

std::wstring function_name(ITypeInfo* info, MEMBERID id) {
    unique_bstr name;
    info->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr);
    return name.get() ? std::wstring(name.get()) : std::wstring();
}

// A parameter's type: the pointed-to type for a by-reference one, with the flag.
VARTYPE pointed(const TYPEDESC& t, bool& by_ref) {
    by_ref = t.vt == VT_PTR;
    return by_ref ? t.lptdesc->vt : t.vt;
}

void check_type_library() {
    com_ptr<ITypeLib> library;
    check(SUCCEEDED(::LoadRegTypeLib(kLibId, 1, 0, LOCALE_NEUTRAL, library.put())),
          "type library registered as 1.0");
    if (!library) return;
    unique_bstr name, help;
    library->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr);
    check(corvel::win32::from_bstr(name.get()) == "Pelorin", "the type library is named Pelorin");
    check(corvel::win32::from_bstr(help.get()) == "Corvel user interface library", "its help string");

    com_ptr<ITypeInfo> coclass;
    check(SUCCEEDED(library->GetTypeInfoOfGuid(kClsId, coclass.put())), "coclass cPelorin");
    if (!coclass) return;
    check(function_name(coclass.get(), MEMBERID_NIL) == L"cPelorin", "the coclass is named cPelorin");
    HREFTYPE ref = 0;
    com_ptr<ITypeInfo> dual;
    if (SUCCEEDED(coclass->GetRefTypeOfImplType(0, &ref))) coclass->GetRefTypeInfo(ref, dual.put());
    check(static_cast<bool>(dual), "its default interface");
    if (!dual) return;
    TYPEATTR* attr = nullptr;
    dual->GetTypeAttr(&attr);
    check(attr && (attr->wTypeFlags & TYPEFLAG_FDUAL), "the default interface is dual");
    check(function_name(dual.get(), MEMBERID_NIL) == L"_cPelorin", "and named _cPelorin");
    // A dual interface's type information in table order; the dispatch view would list it too.
    com_ptr<ITypeInfo> table = dual;
    if (attr && attr->typekind == TKIND_DISPATCH) {
        HREFTYPE vtable_ref = 0;
        if (SUCCEEDED(dual->GetRefTypeOfImplType(-1, &vtable_ref)))
            dual->GetRefTypeInfo(vtable_ref, table.put());
    }
    if (attr) dual->ReleaseTypeAttr(attr);

    struct Slot {
        const wchar_t* name;
        INVOKEKIND kind;
    };
    const Slot slots[] = {
        {L"m_ObjExcelApplication", INVOKE_PROPERTYGET},
        {L"m_ObjExcelApplication", INVOKE_PROPERTYPUTREF},
        {L"RefEditInputs", INVOKE_PROPERTYGET},
        {L"RefEditInputs", INVOKE_PROPERTYPUT},
        {L"ExcelApplication", INVOKE_PROPERTYGET},
        {L"ExcelApplication", INVOKE_PROPERTYPUTREF},
        {L"CreateNewProject", INVOKE_FUNC},
        {L"AddNewSymbol", INVOKE_FUNC},
        {L"ShowRefEditInterface", INVOKE_FUNC},
        {L"UnloadfrmMaster", INVOKE_FUNC},
    };
    TYPEATTR* table_attr = nullptr;
    table->GetTypeAttr(&table_attr);
    const UINT functions = table_attr ? table_attr->cFuncs : 0;
    if (table_attr) table->ReleaseTypeAttr(table_attr);
    check(functions == std::size(slots), "ten functions in the interface's table");
    for (UINT i = 0; i < functions && i < std::size(slots); ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(table->GetFuncDesc(i, &f))) continue;
        const std::string what = "slot " + std::to_string(i) + " " + corvel::win32::narrow(slots[i].name);
        check(function_name(table.get(), f->memid) == slots[i].name && f->invkind == slots[i].kind, what);
        if (i > 0) {
            FUNCDESC* before = nullptr;
            if (SUCCEEDED(table->GetFuncDesc(i - 1, &before))) {
                check(f->oVft > before->oVft, what + " comes after the one before it in the table");
                table->ReleaseFuncDesc(before);
            }
        }
        const std::wstring member = slots[i].name;
        bool by_ref = false;
        if (member == L"CreateNewProject") {
            bool all = f->cParams == 11;
            for (SHORT k = 0; all && k < 10; ++k) {
                const ELEMDESC& e = f->lprgelemdescParam[k];
                all = pointed(e.tdesc, by_ref) == VT_I2 && by_ref &&
                      (e.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT)) ==
                          (PARAMFLAG_FIN | PARAMFLAG_FOUT);
            }
            all = all && pointed(f->lprgelemdescParam[10].tdesc, by_ref) == VT_BOOL &&
                  (f->lprgelemdescParam[10].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
            check(all, "CreateNewProject: ten 16-bit integers by reference, returns a Boolean");
        } else if (member == L"AddNewSymbol") {
            const VARTYPE types[] = {VT_BSTR, VT_BSTR, VT_BSTR, VT_R8,   VT_BSTR,
                                     VT_R8,   VT_BSTR, VT_BSTR, VT_BSTR, VT_I2};
            bool all = f->cParams == 11;
            for (SHORT k = 0; all && k < 10; ++k) {
                all = pointed(f->lprgelemdescParam[k].tdesc, by_ref) == types[k] && by_ref;
            }
            check(all, "AddNewSymbol: strings and doubles by reference, then the index");
            if (all) {
                const PARAMDESC& index = f->lprgelemdescParam[9].paramdesc;
                const bool optional = (index.wParamFlags & PARAMFLAG_FOPT) &&
                                      (index.wParamFlags & PARAMFLAG_FHASDEFAULT) && index.pparamdescex;
                check(optional && V_VT(&index.pparamdescex->varDefaultValue) == VT_I2 &&
                          V_I2(&index.pparamdescex->varDefaultValue) == 0,
                      "ComTypeListIndex is optional with the default 0");
                check(pointed(f->lprgelemdescParam[10].tdesc, by_ref) == VT_I2 && by_ref,
                      "AddNewSymbol returns a 16-bit integer");
            }
        } else if (member == L"ShowRefEditInterface") {
            check(f->cParams == 1 && pointed(f->lprgelemdescParam[0].tdesc, by_ref) == VT_BSTR,
                  "ShowRefEditInterface returns a string");
        } else if (member == L"UnloadfrmMaster") {
            check(f->cParams == 0, "UnloadfrmMaster takes nothing");
        } else if (member == L"m_ObjExcelApplication" || member == L"ExcelApplication") {
            const VARTYPE type = member == L"ExcelApplication" ? VT_VARIANT : VT_DISPATCH;
            const TYPEDESC& t = f->lprgelemdescParam[0].tdesc;
            const bool typed = slots[i].kind == INVOKE_PROPERTYGET ? (t.vt == VT_PTR && t.lptdesc->vt == type)
                                                                   : t.vt == type;
            check(f->cParams == 1 && typed, what + (type == VT_VARIANT ? " is a Variant" : " is an object"));
        }
        table->ReleaseFuncDesc(f);
    }
}

void check_errors(IDispatch* p) {
    VARIANT n{};
    V_VT(&n) = VT_I4;
    V_I4(&n) = 42;
    check(raised(invoke(p, L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {n}),
                 static_cast<HRESULT>(0x800A000D), "Pelorin.cPelorin.ExcelApplication", "Type mismatch"),
          "ExcelApplication set to a number is error 13");
    check(raised(invoke(p, L"RefEditInputs", DISPATCH_PROPERTYGET), static_cast<HRESULT>(0x800A005B),
                 "Pelorin.cPelorin.RefEditInputs",
                 "The tape dialog is not open: call ShowRefEditInterface first"),
          "RefEditInputs without a tape dialog is error 91");
    check(invoke(p, L"UnloadfrmMaster", DISPATCH_METHOD).hr == S_OK, "UnloadfrmMaster without a tape dialog");
}

using CanUnload = HRESULT(WINAPI*)();
HRESULT can_unload_now() {
    HMODULE dll = ::GetModuleHandleW(L"Pelorin.dll");
    auto can_unload =
        dll ? reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllCanUnloadNow")))
            : nullptr;
    return can_unload ? can_unload() : E_FAIL;
}

void check_lifecycle() {
    for (int round = 0; round < 3; ++round) {
        const std::string in_round = " (round " + std::to_string(round) + ")";
        com_ptr<IDispatch> first = create_pelorin();
        com_ptr<IDispatch> second = create_pelorin();
        check(first && second, "two objects at once" + in_round);
        if (!first || !second) return;
        check(can_unload_now() == S_FALSE, "not unloadable while objects live" + in_round);
        // Either may go first; the one left goes on working with the services both shared.
        (round % 2 == 0 ? first : second).reset();
        com_ptr<IDispatch>& left = round % 2 == 0 ? second : first;
        check(can_unload_now() == S_FALSE, "not unloadable while one object lives" + in_round);
        check(invoke(left.get(), L"UnloadfrmMaster", DISPATCH_METHOD).hr == S_OK &&
                  invoke(left.get(), L"RefEditInputs", DISPATCH_PROPERTYGET).hr == DISP_E_EXCEPTION,
              "the object left works" + in_round);
        left.reset();
        check(can_unload_now() == S_OK, "DllCanUnloadNow once both are released" + in_round);

        com_ptr<IClassFactory> factory;
        ::CoGetClassObject(kClsId, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void());
        check(static_cast<bool>(factory), "the class factory" + in_round);
        if (factory) {
            factory->LockServer(TRUE);
            factory.reset();
            check(can_unload_now() == S_FALSE, "a lock keeps the library" + in_round);
            ::CoGetClassObject(kClsId, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void());
            if (factory) factory->LockServer(FALSE);
            factory.reset();
            check(can_unload_now() == S_OK, "unlocking lets it go" + in_round);
        }
        // The first call marks an unused library, a later one frees it.
        ::CoFreeUnusedLibrariesEx(0, 0);
        ::Sleep(20);
        ::CoFreeUnusedLibrariesEx(0, 0);
        check(::GetModuleHandleW(L"Pelorin.dll") == nullptr, "unloaded when unused" + in_round);
    }
    com_ptr<IDispatch> again = create_pelorin();
    check(again && invoke(again.get(), L"UnloadfrmMaster", DISPATCH_METHOD).hr == S_OK,
          "loaded again and working");
}

}  // namespace

int main() {
    ::CoInitialize(nullptr);
    {
        com_ptr<IDispatch> p = create_pelorin();
        check(static_cast<bool>(p), "CreateObject(\"Pelorin.cPelorin\")");
        CLSID clsid{};
        check(SUCCEEDED(::CLSIDFromProgID(L"Pelorin.cPelorin", &clsid)) && IsEqualCLSID(clsid, kClsId),
              "the ProgID names the class's fixed identifier");
        if (p) {
            check_dispatch_identifiers(p.get());
            check_errors(p.get());
        }
        check_type_library();
    }
    check_lifecycle();
    ::CoUninitialize();
    return corvel::wine_test::summary();
}
