#include "platform/win32/forms_host/win32_host.h"

#include <gtest/gtest.h>

#include <memory>

#include "libraries/ui_environment/windows_environment.h"
#include "platform/win32/text.h"
#include "tests/win32/forms_host/window_driver.h"
#include "ui/entry/frm_new_project.h"
#include "ui/services/error_handler.h"

namespace corvel::win32 {
namespace {

using testing::find_thread_window;
using testing::message_box_text;
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

}  // namespace
}  // namespace corvel::win32
