#include "platform/win32/forms_host/win32_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "libraries/dialog_gallery/gallery_dialogs.h"
#include "libraries/ui_environment/windows_environment.h"
#include "platform/win32/text.h"
#include "tests/win32/forms_host/window_driver.h"
#include "ui/entry/frm_new_project.h"
#include "ui/forms/button.h"
#include "ui/forms/form.h"
#include "ui/services/error_handler.h"
#include "ui/services/frm_error_message.h"

namespace corvel::win32 {
namespace {

using testing::find_thread_window;
using testing::message_box_text;
using testing::press_key;
using testing::text_of;
using testing::WindowDriver;

// A plain top-level window standing in for Excel's main window.
class OwnerWindow {
  public:
    OwnerWindow()
        : window_(::CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 500,
                                    400, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr)) {}
    HWND get() const noexcept { return window_.get(); }

  private:
    unique_hwnd window_;
};

class Win32HostTest : public ::testing::Test {
  protected:
    Win32HostTest()
        : host(std::make_shared<Win32Host>(::GetModuleHandleW(nullptr), owner.get())),
          environment(pelorin::windows_environment(host)),
          errors(environment) {}

    bool checked(HWND box) const { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

    OwnerWindow owner;
    std::shared_ptr<Win32Host> host;
    UiEnvironment environment;
    CErrorHandler errors;
};

// The new-project dialog as a real window: every check box and button with the model's caption and
// state, both ways bound, over a disabled owner that is enabled again afterwards.
TEST_F(Win32HostTest, ShowsTheNewProjectDialogBoundToItsModel) {
    frmNewProject dialog(*host, errors);
    bool owner_was_disabled = false;
    WindowDriver driver;
    driver
        .then("the dialog is up",
              [&] {
                  HWND window = host->window_of_form(dialog);
                  if (window == nullptr || !::IsWindowVisible(window)) return false;
                  owner_was_disabled = !::IsWindowEnabled(owner.get());
                  EXPECT_EQ(reinterpret_cast<WindowHandle>(window), dialog.hWnd());
                  EXPECT_EQ(narrow(text_of(window)), dialog.Caption());
                  EXPECT_EQ(::GetWindow(window, GW_OWNER), owner.get());
                  HWND box = host->control_window(dialog.chkBidSize);
                  EXPECT_NE(box, nullptr);
                  EXPECT_EQ(text_of(box), L"Bid Size");
                  EXPECT_TRUE(checked(box));
                  EXPECT_EQ(text_of(host->control_window(dialog.ButCreateProject)), L"Create project");
                  return true;
              })
        .then("Uncheck all clears every box, model and window",
              [&] {
                  ::SendMessageW(host->control_window(dialog.ButUncheckAll), BM_CLICK, 0, 0);
                  EXPECT_EQ(dialog.chkLastPrice.Value(), 0);
                  EXPECT_FALSE(checked(host->control_window(dialog.chkLastPrice)));
                  EXPECT_FALSE(checked(host->control_window(dialog.chkClose)));
                  return true;
              })
        .then("a click on a box checks it in the model",
              [&] {
                  ::SendMessageW(host->control_window(dialog.chkHigh), BM_CLICK, 0, 0);
                  EXPECT_EQ(dialog.chkHigh.Value(), 1);
                  EXPECT_TRUE(checked(host->control_window(dialog.chkHigh)));
                  return true;
              })
        .then("a value set from code shows at once",
              [&] {
                  dialog.chkLow.Value(1);
                  EXPECT_TRUE(checked(host->control_window(dialog.chkLow)));
                  return true;
              })
        .then("Cancel", [&] {
            ::SendMessageW(host->control_window(dialog.ButCancel), BM_CLICK, 0, 0);
            return true;
        });
    dialog.Show(forms::ShowMode::Modal);
    EXPECT_TRUE(driver.finished()) << driver.failed_step();
    EXPECT_TRUE(owner_was_disabled);
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
    EXPECT_EQ(dialog.Tag(), "2");
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(dialog.chkHigh.Value(), 1);
    EXPECT_EQ(dialog.chkLow.Value(), 1);
    EXPECT_EQ(dialog.chkVolume.Value(), 0);
}

// With nothing checked, "Create project" refuses through a message box owned by the dialog; after
// it is answered the dialog goes on, and the close box ends it with no answer.
TEST_F(Win32HostTest, MessageBoxIsOwnedByTheDialogAndTheCloseBoxUnloads) {
    frmNewProject dialog(*host, errors);
    std::wstring prompt;
    std::wstring title;
    bool dialog_disabled = false;
    WindowDriver driver;
    driver
        .then("uncheck all, then create",
              [&] {
                  if (host->window_of_form(dialog) == nullptr) return false;
                  ::SendMessageW(host->control_window(dialog.ButUncheckAll), BM_CLICK, 0, 0);
                  // Posted: the message box runs its own loop, in which the next steps play.
                  ::PostMessageW(host->control_window(dialog.ButCreateProject), BM_CLICK, 0, 0);
                  return true;
              })
        .then("the message box is up, over the disabled dialog",
              [&] {
                  HWND box = find_thread_window(L"#32770", host->window_of_form(dialog));
                  if (box == nullptr) return false;
                  prompt = message_box_text(box);
                  title = text_of(box);
                  dialog_disabled = !::IsWindowEnabled(host->window_of_form(dialog));
                  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                  return true;
              })
        .then("the close box", [&] {
            HWND window = host->window_of_form(dialog);
            if (find_thread_window(L"#32770", window) != nullptr || !::IsWindowEnabled(window)) return false;
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            return true;
        });
    dialog.Show(forms::ShowMode::Modal);
    EXPECT_TRUE(driver.finished()) << driver.failed_step();
    EXPECT_EQ(prompt, L"You must select at least one value!");
    EXPECT_EQ(title, L"Corvel");
    EXPECT_TRUE(dialog_disabled);
    EXPECT_FALSE(dialog.Loaded());
    EXPECT_EQ(dialog.Tag(), "");
    EXPECT_EQ(host->window_of_form(dialog), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
}

// The keyboard alone: Tab walks the controls in tab order, Space toggles the focused box, Enter
// presses the default button.
TEST_F(Win32HostTest, TheKeyboardDrivesTheNewProjectDialog) {
    frmNewProject dialog(*host, errors);
    std::vector<std::string> focus_order;
    WindowDriver driver;
    driver
        .then("the dialog is up with the focus on its first box",
              [&] {
                  HWND window = host->window_of_form(dialog);
                  if (window == nullptr || ::GetForegroundWindow() != window) return false;
                  EXPECT_EQ(::GetFocus(), host->control_window(dialog.chkLastPrice));
                  return ::GetFocus() == host->control_window(dialog.chkLastPrice);
              })
        .then("Space unchecks it",
              [&] {
                  press_key(VK_SPACE);
                  return true;
              })
        .then("the box follows", [&] { return dialog.chkLastPrice.Value() == 0; })
        .then("Tab twice",
              [&] {
                  press_key(VK_TAB);
                  press_key(VK_TAB);
                  return true;
              })
        .then("the focus is on the third box",
              [&] { return ::GetFocus() == host->control_window(dialog.chkBidPrice); })
        .then("Shift+Tab goes back",
              [&] {
                  press_key(VK_TAB, true);
                  return true;
              })
        .then("the focus is on the second box",
              [&] { return ::GetFocus() == host->control_window(dialog.chkLastSize); })
        .then("Enter", [&] {
            press_key(VK_RETURN);
            return true;
        });
    dialog.Show(forms::ShowMode::Modal);
    EXPECT_TRUE(driver.finished()) << driver.failed_step();
    EXPECT_EQ(dialog.Tag(), "1");
    EXPECT_EQ(dialog.chkLastPrice.Value(), 0);
    EXPECT_EQ(dialog.chkLastSize.Value(), 1);
}

// The error dialog's preset answer is Enter's; after it the owner is enabled and active again.
TEST_F(Win32HostTest, AbortInTheErrorDialogGivesTheOwnerBack) {
    frmErrorMessage dialog(environment);
    dialog.ErrorMessage("Error 5: Invalid procedure call or argument");
    bool owner_was_disabled = false;
    WindowDriver driver;
    driver
        .then("the error dialog is up, the owner disabled",
              [&] {
                  HWND window = host->window_of_form(dialog);
                  if (window == nullptr || ::GetForegroundWindow() != window) return false;
                  owner_was_disabled = !::IsWindowEnabled(owner.get());
                  EXPECT_EQ(::GetFocus(), host->control_window(dialog.btnAbort));
                  return true;
              })
        .then("Enter", [&] {
            press_key(VK_RETURN);
            return true;
        });
    dialog.Show(forms::ShowMode::Modal);
    EXPECT_TRUE(driver.finished()) << driver.failed_step();
    EXPECT_EQ(dialog.Tag(), "ABORT");
    EXPECT_TRUE(owner_was_disabled);
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
    EXPECT_EQ(::GetActiveWindow(), owner.get());
    dialog.Unload();
}

// A dialog that runs a dialog of its own, whose button fails.
class Failing final : public forms::Form {
  public:
    Failing(forms::Host& host, std::string name, std::function<void()> click) : Form(host, std::move(name)) {
        Caption(Name());
        ButGo.Click = std::move(click);
    }
    forms::Button ButGo{*this, "ButGo", "Go"};
};

// A failure in an event handler ends every modal display it is nested in and reaches the caller of
// the outermost; on the way out each window below is enabled again, and the host can show the next
// dialog as if nothing had happened.
TEST_F(Win32HostTest, AFailureInsideNestedDialogsLeavesThroughBothAndGivesTheOwnerBack) {
    bool inner_disabled_outer = false;
    Failing inner(*host, "frmInner", [] { throw std::runtime_error("the handler failed"); });
    Failing outer(*host, "frmOuter", [&] { inner.Show(forms::ShowMode::Modal); });
    const auto button_of = [&](forms::Form& form) {
        return host->control_window(*form.find_control("ButGo"));
    };
    WindowDriver driver;
    driver
        .then("Go on the outer dialog",
              [&] {
                  if (host->modal_form() != &outer) return false;
                  ::PostMessageW(button_of(outer), BM_CLICK, 0, 0);
                  return true;
              })
        .then("Go on the inner dialog, which fails", [&] {
            if (host->modal_form() != &inner) return false;
            inner_disabled_outer = !::IsWindowEnabled(host->window_of_form(outer));
            ::PostMessageW(button_of(inner), BM_CLICK, 0, 0);
            return true;
        });
    std::string reached;
    try {
        outer.Show(forms::ShowMode::Modal);
    } catch (const std::runtime_error& failure) {
        reached = failure.what();
    }
    EXPECT_TRUE(driver.finished()) << driver.failed_step();
    EXPECT_EQ(reached, "the handler failed");
    EXPECT_TRUE(inner_disabled_outer);
    EXPECT_EQ(host->modal_form(), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
    EXPECT_TRUE(::IsWindowEnabled(host->window_of_form(outer)));

    // The next dialog runs as usual.
    frmErrorMessage next(environment);
    WindowDriver after;
    after.then("Enter on the next dialog", [&] {
        HWND window = host->window_of_form(next);
        if (window == nullptr || ::GetForegroundWindow() != window) return false;
        press_key(VK_RETURN);
        return true;
    });
    next.Show(forms::ShowMode::Modal);
    EXPECT_TRUE(after.finished()) << after.failed_step();
    EXPECT_EQ(next.Tag(), "ABORT");
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
    next.Unload();
    inner.Unload();
    outer.Unload();
}

// A border style set after the window was made changes the frame, around the same client area.
TEST_F(Win32HostTest, ABorderStyleSetLaterChangesTheFrameAroundTheSameClientArea) {
    Failing dialog(*host, "frmBorders", [] {});
    dialog.Load();
    HWND window = host->window_of_form(dialog);
    ASSERT_NE(window, nullptr);
    RECT before{};
    ::GetClientRect(window, &before);
    const auto style = [&] { return static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)); };
    const auto ex_style = [&] { return static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)); };
    for (const std::int32_t border : {border_style::kFixedDialog, border_style::kSizable,
                                      border_style::kFixedToolWindow, border_style::kSizableToolWindow}) {
        SCOPED_TRACE(border);
        dialog.BorderStyle(border);
        const bool sizable = border == border_style::kSizable || border == border_style::kSizableToolWindow;
        const bool tool =
            border == border_style::kFixedToolWindow || border == border_style::kSizableToolWindow;
        EXPECT_EQ((style() & WS_THICKFRAME) != 0, sizable);
        EXPECT_EQ((style() & WS_CAPTION) == WS_CAPTION, true);
        EXPECT_EQ((ex_style() & WS_EX_TOOLWINDOW) != 0, tool);
        RECT client{};
        ::GetClientRect(window, &client);
        EXPECT_EQ(client.right, before.right);
        EXPECT_EQ(client.bottom, before.bottom);
        RECT outer{};
        ::GetWindowRect(window, &outer);
        EXPECT_EQ(dialog.Width(), outer.right - outer.left) << "the model knows its new outer size";
    }
    dialog.Unload();
}

// A dialog goes where its stored placement put it before it was shown, and where the person moved it
// when it is shown again; only a dialog nobody placed is centred, and only at its first display.
TEST_F(Win32HostTest, ADialogKeepsThePlaceItWasGivenOrMovedTo) {
    frmErrorMessage dialog(environment);
    dialog.Load();
    HWND window = reinterpret_cast<HWND>(dialog.hWnd());
    ASSERT_NE(window, nullptr);
    WindowPlacement placement;
    ASSERT_TRUE(host->screen().get_window_placement(dialog.hWnd(), placement));
    const int width = placement.normal_right - placement.normal_left;
    const int height = placement.normal_bottom - placement.normal_top;
    placement.show_command = show_command::kHide;
    placement.normal_left = 31;
    placement.normal_top = 47;
    placement.normal_right = 31 + width;
    placement.normal_bottom = 47 + height;
    ASSERT_TRUE(host->screen().set_window_placement(dialog.hWnd(), placement));
    const auto top_left_when_shown = [&](std::function<void()> before) {
        POINT seen{-1, -1};
        WindowDriver driver;
        driver.then("the error dialog is up", [&] {
            if (!::IsWindowVisible(window)) return false;
            RECT now{};
            ::GetWindowRect(window, &now);
            seen = {now.left, now.top};
            if (before) before();
            ::SendMessageW(host->control_window(dialog.btnIgnore), BM_CLICK, 0, 0);
            return true;
        });
        dialog.Show(forms::ShowMode::Modal);
        EXPECT_TRUE(driver.finished()) << driver.failed_step();
        return seen;
    };
    POINT first = top_left_when_shown(
        [&] { ::SetWindowPos(window, nullptr, 90, 110, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); });
    EXPECT_EQ(first.x, 31) << "the stored placement, not the centre";
    EXPECT_EQ(first.y, 47);
    POINT second = top_left_when_shown(nullptr);
    EXPECT_EQ(second.x, 90) << "where the person moved it";
    EXPECT_EQ(second.y, 110);
    dialog.Unload();

    frmErrorMessage unplaced(environment);
    {
        unplaced.Load();
        HWND other = reinterpret_cast<HWND>(unplaced.hWnd());
        RECT made{};
        ::GetWindowRect(other, &made);
        RECT around{};
        ::GetWindowRect(owner.get(), &around);
        bool centred = false;
        WindowDriver driver;
        driver.then("the other error dialog is up", [&] {
            if (!::IsWindowVisible(other)) return false;
            RECT now{};
            ::GetWindowRect(other, &now);
            const int mid_x = (now.left + now.right) / 2;
            const int owner_mid_x = (around.left + around.right) / 2;
            RECT work{};
            ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            // Centred, unless the work area's edge stops it.
            centred = (now.left != made.left || now.top != made.top) &&
                      (std::abs(mid_x - owner_mid_x) <= 1 || now.left == work.left);
            ::SendMessageW(host->control_window(unplaced.btnIgnore), BM_CLICK, 0, 0);
            return true;
        });
        unplaced.Show(forms::ShowMode::Modal);
        EXPECT_TRUE(driver.finished()) << driver.failed_step();
        EXPECT_TRUE(centred) << "a dialog nobody placed is centred over its owner";
        unplaced.Unload();
    }
}

// A nested dialog (the list editor over the contract dialog) is owned by the dialog below, which it
// disables; Esc closes each, and every window is enabled again on the way out.
TEST_F(Win32HostTest, NestedDialogsDisableTheDialogBelowAndEscClosesThem) {
    gallery::Gallery shown(host);
    forms::Form* contract = nullptr;
    bool contract_disabled = false;
    bool owner_disabled = false;
    HWND editor_owner = nullptr;
    WindowDriver driver;
    driver
        .then("the contract dialog is up",
              [&] {
                  contract = host->modal_form();
                  if (contract == nullptr || contract->Name() != "frmAddTicker") return false;
                  HWND button = host->control_window(*contract->find_control("ButSTKExchange"));
                  ::PostMessageW(button, BM_CLICK, 0, 0);
                  return true;
              })
        .then("the list editor is up over it",
              [&] {
                  forms::Form* editor = host->modal_form();
                  if (editor == nullptr || editor->Name() != "frmModifyList") return false;
                  HWND window = host->window_of_form(*editor);
                  if (::GetForegroundWindow() != window) return false;
                  contract_disabled = !::IsWindowEnabled(host->window_of_form(*contract));
                  owner_disabled = !::IsWindowEnabled(owner.get());
                  editor_owner = ::GetWindow(window, GW_OWNER);
                  EXPECT_EQ(narrow(text_of(window)), editor->Caption());
                  press_key(VK_ESCAPE);
                  return true;
              })
        .then("back on the contract dialog, enabled", [&] {
            if (host->modal_form() != contract) return false;
            HWND window = host->window_of_form(*contract);
            if (!::IsWindowEnabled(window) || ::GetForegroundWindow() != window) return false;
            press_key(VK_ESCAPE);
            return true;
        });
    gallery::find_entry("frmAddTicker")->show(shown);
    EXPECT_TRUE(driver.finished()) << driver.failed_step();
    EXPECT_TRUE(contract_disabled);
    EXPECT_TRUE(owner_disabled);
    EXPECT_NE(editor_owner, nullptr);
    EXPECT_NE(editor_owner, owner.get());
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
    EXPECT_EQ(host->modal_form(), nullptr);
}

}  // namespace
}  // namespace corvel::win32
