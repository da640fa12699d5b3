#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "tests/support/headless_host.h"
#include "tests/ui/forms/sample_dialog.h"

namespace corvel::forms {
namespace {

using Log = std::vector<std::string>;

class FormTest : public ::testing::Test {
  protected:
    HeadlessHost host{"Pelorin"};
    SampleDialog dialog{host};
};

TEST_F(FormTest, ModalShowLoadsOnceActivatesEachTimeAndReturnsWhenTheDialogHidesItself) {
    host.click("ButOK").expect_hidden("frmSample");
    dialog.Show(ShowMode::Modal);
    EXPECT_EQ(dialog.log, (Log{"Form_Load", "Form_Activate", "ButOK_Click"}));
    EXPECT_EQ(dialog.Tag(), "1");
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(dialog.Loaded()) << "hiding ends the modal display, not the dialog";

    host.click("ButCancel");
    dialog.Show(ShowMode::Modal);
    EXPECT_EQ(dialog.log,
              (Log{"Form_Load", "Form_Activate", "ButOK_Click", "Form_Activate", "ButCancel_Click"}));
    EXPECT_EQ(dialog.Tag(), "2");
    host.verify();
}

TEST_F(FormTest, CancelledQueryUnloadKeepsTheDialogLoadedAndShown) {
    dialog.cancel_query_unload = 1;
    host.close_box().inspect([](Form& form) { EXPECT_TRUE(form.Visible()); }).click("ButOK");
    dialog.Show(ShowMode::Modal);
    EXPECT_EQ(dialog.log, (Log{"Form_Load", "Form_Activate", "Form_QueryUnload 0", "ButOK_Click"}));
    EXPECT_TRUE(dialog.Loaded());
    host.verify();
}

TEST_F(FormTest, CloseBoxUnloadsTheDialogAndDestroysItsWindow) {
    host.close_box("frmSample");
    dialog.Show(ShowMode::Modal);
    EXPECT_EQ(dialog.log, (Log{"Form_Load", "Form_Activate", "Form_QueryUnload 0", "Form_Unload"}));
    EXPECT_FALSE(dialog.Loaded());
    EXPECT_EQ(dialog.Tag(), "") << "the close box leaves no answer";
    EXPECT_EQ(dialog.hWnd(), 0u);
    host.verify();
}

TEST_F(FormTest, UnloadFromCodeTellsTheDialogSo) {
    dialog.Load();
    const WindowHandle window = dialog.hWnd();
    ASSERT_NE(host.memory_screen().window(window), nullptr);
    dialog.Unload();
    EXPECT_EQ(dialog.log, (Log{"Form_Load", "Form_QueryUnload 1", "Form_Unload"}));
    EXPECT_EQ(host.memory_screen().window(window), nullptr);
}

TEST_F(FormTest, ADialogAlreadyShownCannotBeShownModally) {
    dialog.Show(ShowMode::Modeless);
    try {
        dialog.Show(ShowMode::Modal);
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), control_error::kFormAlreadyDisplayed);
        EXPECT_EQ(e.description(), "Form already displayed; can't show modally");
    }
}

TEST_F(FormTest, NestedDialogTakesItsStepsAndTheDialogBelowIsActivatedAgain) {
    SampleDialog inner(host, "frmInner");
    dialog.ButCancel.Click = [&] {
        dialog.log.push_back("ButCancel_Click");
        inner.Show(ShowMode::Modal);
        dialog.log.push_back("inner answered " + inner.Tag());
    };
    host.click("ButCancel").click("frmInner.ButOK").expect_hidden("frmInner").click("frmSample.ButOK");
    dialog.Show(ShowMode::Modal);
    // The dialog below is active again as soon as the nested one has gone, before its caller goes on.
    EXPECT_EQ(dialog.log, (Log{"Form_Load", "Form_Activate", "ButCancel_Click", "Form_Activate",
                               "inner answered 1", "ButOK_Click"}));
    host.verify();
}

TEST_F(FormTest, WindowStateGoesToTheWindowAndComesBackFromAPlacement) {
    dialog.Load();
    MemoryScreen& screen = host.memory_screen();
    dialog.WindowState(WindowState::Maximized);
    EXPECT_EQ(screen.window(dialog.hWnd())->placement.show_command, show_command::kShowMaximized);

    WindowPlacement placement;
    ASSERT_TRUE(screen.get_window_placement(dialog.hWnd(), placement));
    placement.show_command = show_command::kMinimize;
    ASSERT_TRUE(screen.set_window_placement(dialog.hWnd(), placement));
    EXPECT_EQ(dialog.WindowState(), WindowState::Minimized);
}

TEST_F(FormTest, DroppingALoadedDialogClosesItsWindowWithoutRunningItsEvents) {
    WindowHandle window = 0;
    {
        SampleDialog temporary(host, "frmTemporary");
        temporary.Load();
        window = temporary.hWnd();
    }
    EXPECT_EQ(host.memory_screen().window(window), nullptr);
}

}  // namespace
}  // namespace corvel::forms
