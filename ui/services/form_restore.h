#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/app_settings.h"
#include "seams/screen.h"

namespace corvel {

// Remembers where a dialog window was and how it was shown, one settings section per dialog
// ("Windows settings\<form name>"), and puts it back there the next time the dialog opens.
class CFormRestore {
  public:
    static constexpr std::uint32_t kErrNotInitialized = 0x80044499u;
    static constexpr std::uint32_t kErrInvalidAppSettings = 0x8004449Au;
    static constexpr std::uint32_t kErrInvalidKeyName = 0x8004449Bu;
    static constexpr std::uint32_t kErrComponentFailure = 0x8004449Cu;

    explicit CFormRestore(Screen& screen);

    void Init(std::shared_ptr<CAppSettings> AppSettings, bool CenteredByDefault);

    const std::shared_ptr<CAppSettings>& AppSettings() const noexcept { return settings_; }
    void AppSettings(std::shared_ptr<CAppSettings> value);
    bool CenteredByDefault() const noexcept { return centered_by_default_; }
    void CenteredByDefault(bool value) noexcept { centered_by_default_ = value; }
    const std::string& KeyName() const noexcept { return key_name_; }
    void KeyName(std::string_view value);
    bool NeverStartMinimized() const noexcept { return never_start_minimized_; }
    void NeverStartMinimized(bool value) noexcept { never_start_minimized_ = value; }

    // Restores the placement stored for the dialog, or centres it when nothing is stored.
    void GetPosition(PlacedForm& FormObject);
    // Stores the dialog's current placement.
    void SavePosition(PlacedForm& FormObject);

  private:
    void CenterOnDesktop(WindowPlacement& placement);
    std::int32_t read_number(const std::string& section, const char* name, const char* fallback);
    [[noreturn]] void raise(std::uint32_t number, const char* description) const;
    template <class Body>
    auto guarded(Body&& body) -> decltype(body());

    Screen& screen_;
    std::shared_ptr<CAppSettings> settings_;
    bool centered_by_default_ = true;
    std::string key_name_ = "Windows settings";
    bool never_start_minimized_ = false;
};

}  // namespace corvel
