#include "common/app_settings.h"

#include <cstring>

#include "common/automation_error.h"
#include "common/ole_date.h"
#include "common/registry_key.h"

namespace corvel {

namespace {
constexpr const char* kClassSuffix = ".CAppSettings";
// The data operations report under this shorter source; callers match on it, so it stays.
constexpr const char* kDataSuffix = ".CAppSetting";

constexpr std::uint32_t kSaveAccess = reg_access::kQueryValue | reg_access::kSetValue |
                                      reg_access::kCreateSubKey | reg_access::kEnumerateSubKeys |
                                      reg_access::kNotify | reg_access::kCreateLink;
}  // namespace

CAppSettings::CAppSettings(std::shared_ptr<Registry> registry, std::string library_name)
    : registry_(std::move(registry)), library_name_(std::move(library_name)) {}

void CAppSettings::raise(std::uint32_t number, const char* suffix, const char* description) const {
    throw AutomationError(number, library_name_ + suffix, description);
}

// Runs a member's body: the store's own errors pass, anything else becomes the component failure.
template <class Body>
auto CAppSettings::guarded(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const AutomationError& e) {
        const std::string own = library_name_ + kClassSuffix;
        const std::string own_data = library_name_ + kDataSuffix;
        if (e.source() == own || e.source() == own_data) throw;
        raise(kErrComponentFailure, kClassSuffix, "CAppSettings component failure");
    } catch (...) {
        raise(kErrComponentFailure, kClassSuffix, "CAppSettings component failure");
    }
}

void CAppSettings::Init(std::string_view CompanyName, std::string_view AppName) {
    guarded([&] {
        this->CompanyName(CompanyName);
        this->AppName(AppName);
    });
}

void CAppSettings::AppName(std::string_view value) {
    if (value.empty()) raise(kErrInvalidAppName, kClassSuffix, "Invalid AppName value");
    guarded([&] { app_name_ = value; });
}

void CAppSettings::CompanyName(std::string_view value) {
    if (value.empty()) raise(kErrInvalidCompanyName, kClassSuffix, "Invalid CompanyName value");
    guarded([&] { company_name_ = value; });
}

void CAppSettings::MainBranch(std::string_view value) {
    if (value.empty()) raise(kErrInvalidMainBranch, kClassSuffix, "Invalid MainBranch value");
    guarded([&] { main_branch_ = value; });
}

void CAppSettings::RootKey(std::int32_t value) {
    if (value != kHkeyCurrentUser && value != kHkeyLocalMachine) {
        raise(kErrInvalidRootKey, kClassSuffix, "Invalid root key value");
    }
    root_key_ = value;
}

std::string CAppSettings::section_path(std::string_view section) const {
    std::string path;
    path.reserve(main_branch_.size() + company_name_.size() + app_name_.size() + section.size() + 3);
    path.append(main_branch_).append(1, '\\').append(company_name_).append(1, '\\').append(app_name_);
    path.append(1, '\\').append(section);
    return path;
}

void CAppSettings::DeleteSetting(std::string_view Section, std::string_view Key) {
    guarded([&] {
        std::string path = section_path(Section);
        if (!Key.empty()) path.append(1, '\\').append(Key);
        const auto root = static_cast<RegKeyHandle>(static_cast<std::uint32_t>(root_key_));
        if (registry_->delete_key(root, path) != reg_status::kSuccess) {
            raise(kErrDeleteFailed, kDataSuffix, "Failed deleting the application setting");
        }
    });
}

void CAppSettings::GetAllKeys(std::string_view Section, std::vector<std::string>& Keys) {
    guarded([&] {
        Keys.clear();
        const auto root = static_cast<RegKeyHandle>(static_cast<std::uint32_t>(root_key_));
        RegistryKey key;
        if (open_registry_key(*registry_, root, section_path(Section), reg_access::kQueryValue, key) !=
            reg_status::kSuccess) {
            raise(kErrGetAllKeysFailed, kDataSuffix, "Failed getting all the application keys");
        }
        std::uint32_t longest = 0;
        if (registry_->query_max_value_name_length(key.get(), longest) != reg_status::kSuccess) return;
        for (std::uint32_t index = 0;; ++index) {
            std::string name;
            const std::uint32_t capacity = longest + 1 > 1 ? longest + 1 : 1;
            if (registry_->enum_value_name(key.get(), index, capacity, name) != reg_status::kSuccess) break;
            Keys.push_back(std::move(name));
        }
    });
}

Variant CAppSettings::GetSetting(std::string_view Section, std::string_view Key, const Variant& Default) {
    return guarded([&]() -> Variant {
        const auto root = static_cast<RegKeyHandle>(static_cast<std::uint32_t>(root_key_));
        RegistryKey key;
        if (open_registry_key(*registry_, root, section_path(Section), reg_access::kRead, key) !=
            reg_status::kSuccess) {
            return Default;
        }
        RegType type = RegType::None;
        std::uint32_t size = 0;
        if (registry_->query_value(key.get(), Key, type, size) != reg_status::kSuccess) return Default;
        std::string data;
        if (type == RegType::Sz) {
            if (registry_->read_value(key.get(), Key, size, type, data) != reg_status::kSuccess ||
                type != RegType::Sz) {
                return Default;
            }
            // The stored text ends with one NUL; a value written by another tool without it keeps
            // its last character instead of losing it.
            if (!data.empty() && data.back() == '\0') data.pop_back();
            return Variant(std::move(data));
        }
        if (type == RegType::Dword) {
            if (registry_->read_value(key.get(), Key, 4, type, data) != reg_status::kSuccess ||
                type != RegType::Dword || data.size() != 4) {
                return Default;
            }
            std::uint32_t raw = 0;
            // Registry DWORDs are little-endian on every platform that has a registry.
            for (int i = 3; i >= 0; --i)
                raw = (raw << 8) | static_cast<unsigned char>(data[i]);
            return Variant(static_cast<std::int32_t>(raw));
        }
        return Default;
    });
}

void CAppSettings::SaveSetting(std::string_view Section, std::string_view Key, const Variant& Setting) {
    guarded([&] {
        const auto root = static_cast<RegKeyHandle>(static_cast<std::uint32_t>(root_key_));
        RegistryKey key;
        if (create_registry_key(*registry_, root, section_path(Section), kSaveAccess, key) !=
            reg_status::kSuccess) {
            raise(kErrSaveFailed, kDataSuffix, "Failed saving the application setting");
        }
        RegType type;
        std::string data;
        switch (Setting.type()) {
            case VariantType::String:
            case VariantType::Date:
            case VariantType::Boolean:
                type = RegType::Sz;
                data = Setting.to_text();
                data.push_back('\0');
                break;
            default: {
                const auto number = Setting.to_int32();
                if (!number) raise(kErrComponentFailure, kClassSuffix, "CAppSettings component failure");
                type = RegType::Dword;
                const auto raw = static_cast<std::uint32_t>(*number);
                for (int i = 0; i < 4; ++i)
                    data.push_back(static_cast<char>((raw >> (8 * i)) & 0xFF));
                break;
            }
        }
        if (registry_->set_value(key.get(), Key, type, data) != reg_status::kSuccess) {
            raise(kErrSaveFailed, kDataSuffix, "Failed saving the application setting");
        }
    });
}

}  // namespace corvel
