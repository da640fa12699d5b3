#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/variant.h"
#include "seams/registry.h"

namespace corvel {

// Named settings kept in the registry: one key per section below
// <RootKey>\<MainBranch>\<CompanyName>\<AppName>, one value per setting. Both libraries build it from
// this one source; `library_name` ("Pelorin" or "Tallowin3") is the first part of its error sources.
class CAppSettings {
  public:
    static constexpr std::uint32_t kErrInvalidAppName = 0x8004427Du;
    static constexpr std::uint32_t kErrInvalidCompanyName = 0x8004427Eu;
    static constexpr std::uint32_t kErrInvalidMainBranch = 0x8004427Fu;
    static constexpr std::uint32_t kErrInvalidRootKey = 0x80044280u;
    static constexpr std::uint32_t kErrSaveFailed = 0x80044281u;
    static constexpr std::uint32_t kErrDeleteFailed = 0x80044282u;
    static constexpr std::uint32_t kErrGetAllKeysFailed = 0x80044283u;
    static constexpr std::uint32_t kErrComponentFailure = 0x80044284u;

    static constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
    static constexpr std::int32_t kHkeyLocalMachine = static_cast<std::int32_t>(0x80000002u);

    CAppSettings(std::shared_ptr<Registry> registry, std::string library_name);

    void Init(std::string_view CompanyName, std::string_view AppName);

    const std::string& AppName() const noexcept { return app_name_; }
    void AppName(std::string_view value);
    const std::string& CompanyName() const noexcept { return company_name_; }
    void CompanyName(std::string_view value);
    const std::string& MainBranch() const noexcept { return main_branch_; }
    void MainBranch(std::string_view value);
    std::int32_t RootKey() const noexcept { return root_key_; }
    void RootKey(std::int32_t value);

    // Deletes the section key (empty `Key`) or its subkey `Key`; never a value.
    void DeleteSetting(std::string_view Section, std::string_view Key);
    // The value names of a section in the registry's order (the caller's element 1 is Keys[0]).
    void GetAllKeys(std::string_view Section, std::vector<std::string>& Keys);
    // The stored string or 32-bit integer, or `Default` whenever there is nothing readable.
    Variant GetSetting(std::string_view Section, std::string_view Key, const Variant& Default);
    // Texts, dates and booleans are stored as text; every other value as a 32-bit integer.
    void SaveSetting(std::string_view Section, std::string_view Key, const Variant& Setting);

  private:
    std::string section_path(std::string_view section) const;
    [[noreturn]] void raise(std::uint32_t number, const char* suffix, const char* description) const;
    template <class Body>
    auto guarded(Body&& body) -> decltype(body());

    std::shared_ptr<Registry> registry_;
    std::string library_name_;
    std::int32_t root_key_ = kHkeyCurrentUser;
    std::string main_branch_ = "Software";
    std::string company_name_ = "Orrinsted";
    std::string app_name_ = "Pelorin";
};

}  // namespace corvel
