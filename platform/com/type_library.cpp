#include "platform/com/type_library.h"

#include <oleauto.h>

#include <cstring>
#include <map>
#include <mutex>

#include "platform/com/module.h"
#include "platform/win32/handles.h"

namespace corvel::com {

namespace {
struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const noexcept {
        return std::memcmp(&a, &b, sizeof(GUID)) < 0;
    }
};
std::mutex g_mutex;
win32::com_ptr<ITypeLib> g_library;
std::map<GUID, win32::com_ptr<ITypeInfo>, GuidLess> g_infos;
}  // namespace

ITypeLib* type_library() noexcept {
    std::lock_guard lock(g_mutex);
    if (!g_library) ::LoadTypeLibEx(module_path().c_str(), REGKIND_NONE, g_library.put());
    return g_library.get();
}

ITypeInfo* type_info(REFGUID guid) noexcept {
    ITypeLib* library = type_library();
    if (!library) return nullptr;
    std::lock_guard lock(g_mutex);
    auto it = g_infos.find(guid);
    if (it == g_infos.end()) {
        win32::com_ptr<ITypeInfo> info;
        if (FAILED(library->GetTypeInfoOfGuid(guid, info.put()))) return nullptr;
        it = g_infos.emplace(guid, std::move(info)).first;
    }
    return it->second.get();
}

}  // namespace corvel::com
