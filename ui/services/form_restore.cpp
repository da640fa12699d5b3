#include "ui/services/form_restore.h"

#include <stdexcept>

#include "common/text.h"
#include "common/variant.h"
#include "ui/services/member_guard.h"
#include "ui/services/pelorin.h"

namespace corvel {

namespace {
const std::string kSource = std::string(pelorin::kLibraryName) + ".CFormRestore";

bool is_minimize_command(std::int32_t command) {
    return command == show_command::kShowMinimized || command == show_command::kMinimize ||
           command == show_command::kShowMinNoActive;
}

bool is_sizable(std::int32_t style) {
    return style == border_style::kSizable || style == border_style::kSizableToolWindow;
}
}  // namespace

CFormRestore::CFormRestore(Screen& screen) : screen_(screen) {}

void CFormRestore::raise(std::uint32_t number, const char* description) const {
    throw AutomationError(number, kSource, description);
}

template <class Body>
auto CFormRestore::guarded(Body&& body) -> decltype(body()) {
    return guard_member(kSource, kErrComponentFailure, "CFormRestore component failure",
                        std::forward<Body>(body));
}

void CFormRestore::Init(std::shared_ptr<CAppSettings> AppSettings, bool CenteredByDefault) {
    if (!AppSettings) raise(kErrInvalidAppSettings, "Invalid AppSettings object");
    settings_ = std::move(AppSettings);
    centered_by_default_ = CenteredByDefault;
}

void CFormRestore::AppSettings(std::shared_ptr<CAppSettings> value) {
    if (!value) raise(kErrInvalidAppSettings, "Invalid AppSettings object");
    settings_ = std::move(value);
}

void CFormRestore::KeyName(std::string_view value) {
    if (value.empty()) raise(kErrInvalidKeyName, "Invalid KeyName value");
    key_name_ = value;
}

// Stored values are texts; whatever number a text begins with is the value, so a hand-edited entry
// reads as far as it makes sense. A number beyond 32 bits is a failure of the member.
std::int32_t CFormRestore::read_number(const std::string& section, const char* name, const char* fallback) {
    const Variant stored = settings_->GetSetting(section, name, Variant(fallback));
    const auto value = round_to_int32(leading_number(stored.to_text()));
    if (!value) throw std::overflow_error("stored placement value out of range");
    return *value;
}

void CFormRestore::GetPosition(PlacedForm& FormObject) {
    guarded([&] {
        if (!settings_) raise(kErrNotInitialized, "Object not properly initialized");
        const std::string section = key_name_ + "\\" + FormObject.Name();
        const std::int32_t stored = read_number(section, "WindowState", "-1");
        WindowPlacement placement;

        if (stored < 0) {
            if (!centered_by_default_) return;
            if (!screen_.get_window_placement(FormObject.hWnd(), placement)) return;
            CenterOnDesktop(placement);
            placement.length = 44;
            placement.show_command = FormObject.Visible() ? show_command::kShow : show_command::kHide;
            screen_.set_window_placement(FormObject.hWnd(), placement);
            return;
        }

        std::int32_t command = stored;
        if (!FormObject.Visible()) {
            // The state goes to the dialog itself; the placement only moves the hidden window.
            switch (stored) {
                case show_command::kShowMinimized:
                case show_command::kMinimize:
                case show_command::kShowMinNoActive:
                    FormObject.WindowState(never_start_minimized_ ? WindowState::Normal
                                                                  : WindowState::Minimized);
                    break;
                case show_command::kShowMaximized:
                    FormObject.WindowState(WindowState::Maximized);
                    break;
                case show_command::kShowNa:
                case show_command::kShowDefault:
                    break;
                default:
                    FormObject.WindowState(WindowState::Normal);
                    break;
            }
            command = show_command::kHide;
        } else if (never_start_minimized_ && is_minimize_command(stored)) {
            command = show_command::kShowNormal;
        } else if (stored == show_command::kHide) {
            // A hidden state can only come from an edited entry; hiding a dialog the user is looking at
            // would leave a modal dialog nobody can reach.
            command = show_command::kShowNormal;
        }

        placement.show_command = command;
        placement.min_x = read_number(section, "MinPosX", "");
        placement.min_y = read_number(section, "MinPosY", "");
        placement.max_x = read_number(section, "MaxPosX", "");
        placement.max_y = read_number(section, "MaxPosY", "");
        placement.normal_left = read_number(section, "NormalPosLeft", "");
        placement.normal_top = read_number(section, "NormalPosTop", "");
        if (is_sizable(FormObject.BorderStyle())) {
            placement.normal_right = read_number(section, "NormalPosRight", "");
            placement.normal_bottom = read_number(section, "NormalPosBottom", "");
        } else {
            // A fixed dialog keeps the size it was designed with, wherever it was stored.
            placement.normal_right = placement.normal_left + FormObject.Width();
            placement.normal_bottom = placement.normal_top + FormObject.Height();
        }
        screen_.set_window_placement(FormObject.hWnd(), placement);
    });
}

void CFormRestore::SavePosition(PlacedForm& FormObject) {
    guarded([&] {
        if (!settings_) raise(kErrNotInitialized, "Object not properly initialized");
        WindowPlacement placement;
        if (!screen_.get_window_placement(FormObject.hWnd(), placement)) return;
        const std::string section = key_name_ + "\\" + FormObject.Name();
        const std::pair<const char*, std::int32_t> values[] = {
            {"WindowState", placement.show_command},
            {"MinPosX", placement.min_x},
            {"MinPosY", placement.min_y},
            {"MaxPosX", placement.max_x},
            {"MaxPosY", placement.max_y},
            {"NormalPosLeft", placement.normal_left},
            {"NormalPosTop", placement.normal_top},
            {"NormalPosRight", placement.normal_right},
            {"NormalPosBottom", placement.normal_bottom},
        };
        for (const auto& [name, value] : values)
            settings_->SaveSetting(section, name, Variant(std::to_string(value)));
    });
}

void CFormRestore::CenterOnDesktop(WindowPlacement& placement) {
    if (placement.show_command != show_command::kShowNormal) return;
    WindowPlacement desktop;
    if (!screen_.get_window_placement(screen_.desktop_window(), desktop)) return;
    const std::int64_t width = std::int64_t{placement.normal_right} - placement.normal_left;
    const std::int64_t height = std::int64_t{placement.normal_bottom} - placement.normal_top;
    const auto left = round_to_int32(
        static_cast<double>(std::int64_t{desktop.normal_right} - desktop.normal_left - width) / 2.0);
    const auto top = round_to_int32(
        static_cast<double>(std::int64_t{desktop.normal_bottom} - desktop.normal_top - height) / 2.0);
    if (!left || !top) return;
    placement.normal_left = *left;
    placement.normal_top = *top;
    placement.normal_right = static_cast<std::int32_t>(*left + width);
    placement.normal_bottom = static_cast<std::int32_t>(*top + height);
}

}  // namespace corvel
