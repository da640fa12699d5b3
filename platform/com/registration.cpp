#include "platform/com/registration.h"

#include <oleauto.h>
#include <olectl.h>

#include "platform/com/module.h"
#include "platform/com/server.h"
#include "platform/com/type_library.h"
#include "platform/win32/handles.h"

namespace corvel::com {

namespace {

// The per-user type-library calls are missing from the MinGW headers; oleaut32 has them since Vista.
using RegisterForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUser = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

template <class Function>
Function oleaut32_function(const char* name) {
    HMODULE oleaut32 = ::GetModuleHandleW(L"oleaut32.dll");
    return oleaut32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(oleaut32, name)))
                    : nullptr;
}

HRESULT register_type_library(RegistrationScope scope, ITypeLib* library, const std::wstring& path,
                              const std::wstring& dir) {
    auto* p = const_cast<LPOLESTR>(path.c_str());
    auto* d = const_cast<LPOLESTR>(dir.c_str());
    if (scope == RegistrationScope::User) {
        const auto for_user = oleaut32_function<RegisterForUser>("RegisterTypeLibForUser");
        return for_user ? for_user(library, p, d) : E_NOTIMPL;
    }
    return ::RegisterTypeLib(library, p, d);
}

HRESULT unregister_type_library(RegistrationScope scope, REFGUID libid, const TLIBATTR& attr) {
    if (scope == RegistrationScope::User) {
        const auto for_user = oleaut32_function<UnregisterForUser>("UnRegisterTypeLibForUser");
        return for_user ? for_user(libid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind)
                        : E_NOTIMPL;
    }
    return ::UnRegisterTypeLib(libid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
}

HRESULT from_status(LONG status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

struct Root {
    HKEY hive;
    std::wstring prefix;  // path of the classes key below the hive, with a trailing backslash or empty
};

Root root_of(RegistrationScope scope) {
    if (scope == RegistrationScope::User) return {HKEY_CURRENT_USER, L"Software\\Classes\\"};
    return {HKEY_CLASSES_ROOT, L""};
}

HRESULT set_key(const Root& root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    win32::unique_hkey key;
    LONG status = ::RegCreateKeyExW(root.hive, (root.prefix + path).c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return from_status(status);
    status = ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return from_status(status);
}

HRESULT delete_tree(const Root& root, const std::wstring& path) {
    const LONG status = ::RegDeleteTreeW(root.hive, (root.prefix + path).c_str());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return from_status(status);
    // RegDeleteTree empties a key; the key itself goes too.
    const LONG gone = ::RegDeleteKeyW(root.hive, (root.prefix + path).c_str());
    return (gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND) ? S_OK : from_status(gone);
}

}  // namespace

std::wstring guid_text(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT register_classes(RegistrationScope scope, const Server& server) {
    const Root root = root_of(scope);
    const std::wstring path = module_path();
    const std::wstring lib = guid_text(server.libid);
    for (const ServerClass& c : server.classes) {
        const std::wstring prog_id = c.prog_id;
        const std::wstring clsid_key = L"CLSID\\" + guid_text(c.clsid);
        HRESULT hr = S_OK;
        const auto step = [&hr](HRESULT r) {
            if (SUCCEEDED(hr)) hr = r;
        };
        step(set_key(root, clsid_key, nullptr, prog_id));
        step(set_key(root, clsid_key + L"\\InprocServer32", nullptr, path));
        step(set_key(root, clsid_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"));
        step(set_key(root, clsid_key + L"\\ProgID", nullptr, prog_id));
        step(set_key(root, clsid_key + L"\\TypeLib", nullptr, lib));
        step(set_key(root, clsid_key + L"\\Programmable", nullptr, L""));
        step(set_key(root, prog_id, nullptr, prog_id));
        step(set_key(root, prog_id + L"\\CLSID", nullptr, guid_text(c.clsid)));
        if (FAILED(hr)) return SELFREG_E_CLASS;
    }
    ITypeLib* library = type_library();
    if (!library) return SELFREG_E_TYPELIB;
    const std::wstring dir = path.substr(0, path.find_last_of(L"\\/") + 1);
    return FAILED(register_type_library(scope, library, path, dir)) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT unregister_classes(RegistrationScope scope, const Server& server) {
    const Root root = root_of(scope);
    HRESULT result = S_OK;
    for (const ServerClass& c : server.classes) {
        if (FAILED(delete_tree(root, L"CLSID\\" + guid_text(c.clsid)))) result = SELFREG_E_CLASS;
        if (FAILED(delete_tree(root, c.prog_id))) result = SELFREG_E_CLASS;
    }
    if (ITypeLib* library = type_library()) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(library->GetLibAttr(&attr))) {
            const HRESULT hr = unregister_type_library(scope, server.libid, *attr);
            library->ReleaseTLibAttr(attr);
            if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_CANTLOADLIBRARY)
                result = SELFREG_E_TYPELIB;
        }
    }
    return result;
}

}  // namespace corvel::com
