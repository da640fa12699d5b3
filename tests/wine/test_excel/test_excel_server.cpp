// The test Excel as a creatable class, "CorvelTest.Excel", so that scripts under Wine can use it as
// they would use "Excel.Application". A new object is an Excel with one new workbook, "Book1", of three
// sheets, as Excel starts.
#include <windows.h>

#include <string>

#include "platform/com/class_factory.h"
#include "platform/com/module.h"
#include "platform/com/object.h"
#include "platform/memory/memory_workbook.h"
#include "platform/win32/handles.h"
#include "tests/wine/test_excel/test_excel.h"

namespace {

using namespace corvel;

// {8C3B7E5A-2F4D-4E61-9B0C-7A1D5E3F2C48}
constexpr CLSID kClsid = {0x8c3b7e5a, 0x2f4d, 0x4e61, {0x9b, 0x0c, 0x7a, 0x1d, 0x5e, 0x3f, 0x2c, 0x48}};
constexpr const wchar_t* kProgId = L"CorvelTest.Excel";
constexpr const wchar_t* kClsidText = L"{8C3B7E5A-2F4D-4E61-9B0C-7A1D5E3F2C48}";

win32::com_ptr<IUnknown> create_excel() {
    auto memory = std::make_shared<workbook::MemoryApplication>();
    const auto book = memory->add_workbook("Book1");
    for (const char* name : {"Sheet1", "Sheet2", "Sheet3"})
        book->add_sheet(name);
    return test_excel::make_application(memory, std::make_shared<test_excel::CallLog>()).as<IUnknown>();
}

HRESULT set_value(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    win32::unique_hkey key;
    LONG rc = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    rc = ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
        com::set_module(instance);
        com::set_library_name("CorvelTest.Excel");
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        return com::make_object<com::ClassFactory>(&create_excel)->QueryInterface(iid, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return com::can_unload() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        const std::wstring clsid_key = std::wstring(L"CLSID\\") + kClsidText;
        HRESULT hr = set_value(HKEY_CLASSES_ROOT, kProgId, nullptr, L"Corvel test Excel");
        if (SUCCEEDED(hr))
            hr = set_value(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText);
        if (SUCCEEDED(hr)) hr = set_value(HKEY_CLASSES_ROOT, clsid_key, nullptr, L"Corvel test Excel");
        if (SUCCEEDED(hr)) hr = set_value(HKEY_CLASSES_ROOT, clsid_key + L"\\ProgID", nullptr, kProgId);
        if (SUCCEEDED(hr))
            hr = set_value(HKEY_CLASSES_ROOT, clsid_key + L"\\InprocServer32", nullptr, com::module_path());
        if (SUCCEEDED(hr)) {
            hr = set_value(HKEY_CLASSES_ROOT, clsid_key + L"\\InprocServer32", L"ThreadingModel",
                           L"Apartment");
        }
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    const std::wstring clsid_key = std::wstring(L"CLSID\\") + kClsidText;
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, clsid_key.c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    return S_OK;
}
