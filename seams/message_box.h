#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

// Message box buttons, icons and answers, with the platform's numbers.
namespace msgbox {
inline constexpr std::int32_t kOkOnly = 0;
inline constexpr std::int32_t kOkCancel = 1;
inline constexpr std::int32_t kAbortRetryIgnore = 2;
inline constexpr std::int32_t kYesNoCancel = 3;
inline constexpr std::int32_t kYesNo = 4;
inline constexpr std::int32_t kRetryCancel = 5;
inline constexpr std::int32_t kButtonsMask = 0x0F;

inline constexpr std::int32_t kCritical = 16;
inline constexpr std::int32_t kQuestion = 32;
inline constexpr std::int32_t kExclamation = 48;
inline constexpr std::int32_t kInformation = 64;
inline constexpr std::int32_t kIconMask = 0x70;

inline constexpr std::int32_t kOk = 1;
inline constexpr std::int32_t kCancel = 2;
inline constexpr std::int32_t kAbort = 3;
inline constexpr std::int32_t kRetry = 4;
inline constexpr std::int32_t kIgnore = 5;
inline constexpr std::int32_t kYes = 6;
inline constexpr std::int32_t kNo = 7;
}  // namespace msgbox

// A modal message box. Without a title the application's own title is shown.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows `prompt` with `style` (buttons + icon) and returns the answer.
    virtual std::int32_t MsgBox(std::string_view prompt, std::int32_t style,
                                std::optional<std::string_view> title = std::nullopt) = 0;
};

}  // namespace corvel
