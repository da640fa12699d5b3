#include "ui/services/form_restore.h"

#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_screen.h"
#include "tests/support/automation_error_of.h"
#include "tests/support/headless_host.h"

namespace corvel {
namespace {

constexpr const char* kSection = "Software\\HALVARD\\Corvel\\Windows settings\\frmModifyList";

// A dialog as the placement store sees it, with a window on the in-memory screen.
class FakeDialog final : public PlacedForm {
  public:
    FakeDialog(MemoryScreen& screen, std::int32_t border_style, bool visible = false)
        : window_(screen.create_window(10, 20, 300, 200, corvel::WindowState::Normal)),
          border_style_(border_style),
          visible_(visible) {}
    const std::string& Name() const override { return name_; }
    WindowHandle hWnd() const override { return window_; }
    bool Visible() const override { return visible_; }
    std::int32_t BorderStyle() const override { return border_style_; }
    std::int32_t Width() const override { return 300; }
    std::int32_t Height() const override { return 200; }
    corvel::WindowState WindowState() const override { return state_; }
    void WindowState(corvel::WindowState state) override { state_ = state; }

  private:
    std::string name_ = "frmModifyList";
    WindowHandle window_;
    std::int32_t border_style_;
    bool visible_;
    corvel::WindowState state_ = corvel::WindowState::Normal;
};

class FormRestoreTest : public ::testing::Test {
  protected:
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
    std::shared_ptr<CAppSettings> settings = std::make_shared<CAppSettings>(registry, "Pelorin");
    MemoryScreen screen;
    CFormRestore restore{screen};

    void SetUp() override {
        settings->Init("HALVARD", "Corvel");
        restore.Init(settings, true);
    }
    void TearDown() override { EXPECT_EQ(registry->open_key_count(), 0); }

    void store(const char* name, const char* text) {
        registry->put_value(reg_hive::kCurrentUser, kSection, name, RegType::Sz, std::string(text) + '\0');
    }
    void store_rectangle(const char* state) {
        store("WindowState", state);
        store("NormalPosLeft", "100");
        store("NormalPosTop", "50");
        store("NormalPosRight", "900");
        store("NormalPosBottom", "650");
    }
    std::string stored(const char* name) const {
        const auto value = registry->value(reg_hive::kCurrentUser, kSection, name);
        return value ? value->data : "<missing>";
    }
    WindowPlacement placement_of(const FakeDialog& dialog) { return screen.window(dialog.hWnd())->placement; }
    static std::uint32_t error_of(const std::function<void()>& f) {
        const AutomationError e = fakes::automation_error_of(f);
        if (e.code() != 0) {
            EXPECT_EQ(e.source(), "Pelorin.CFormRestore");
        }
        return e.code();
    }
};

TEST_F(FormRestoreTest, StoredStateOfAHiddenDialogGoesToTheDialogAndThePlacementOnlyMovesIt) {
    struct Case {
        const char* stored;
        bool never_minimized;
        corvel::WindowState expected;
    };
    const Case cases[] = {
        {"3", false, corvel::WindowState::Maximized}, {"2", false, corvel::WindowState::Minimized},
        {"6", false, corvel::WindowState::Minimized}, {"7", true, corvel::WindowState::Normal},
        {"2", true, corvel::WindowState::Normal},     {"9", false, corvel::WindowState::Normal},
        {"0", false, corvel::WindowState::Normal},    {"4", false, corvel::WindowState::Normal},
        {"11", false, corvel::WindowState::Normal},
    };
    for (const Case& c : cases) {
        FakeDialog dialog(screen, border_style::kSizable);
        dialog.WindowState(corvel::WindowState::Maximized == c.expected ? corvel::WindowState::Normal
                                                                        : corvel::WindowState::Maximized);
        store_rectangle(c.stored);
        restore.NeverStartMinimized(c.never_minimized);
        restore.GetPosition(dialog);
        EXPECT_EQ(dialog.WindowState(), c.expected) << "stored " << c.stored;
        EXPECT_FALSE(screen.window(dialog.hWnd())->visible) << "applied with the hide command";
        EXPECT_EQ(placement_of(dialog).normal_right, 900);
    }
}

TEST_F(FormRestoreTest, ShowCommandsEightAndTenLeaveTheDialogsStateAlone) {
    for (const char* stored : {"8", "10"}) {
        FakeDialog dialog(screen, border_style::kSizable);
        dialog.WindowState(corvel::WindowState::Maximized);
        store_rectangle(stored);
        restore.GetPosition(dialog);
        EXPECT_EQ(dialog.WindowState(), corvel::WindowState::Maximized) << "stored " << stored;
    }
}

TEST_F(FormRestoreTest, AVisibleDialogTakesTheStoredShowCommandUnlessItWouldMinimiseOrHideIt) {
    FakeDialog dialog(screen, border_style::kSizable, true);
    store_rectangle("3");
    restore.GetPosition(dialog);
    EXPECT_EQ(placement_of(dialog).show_command, show_command::kShowMaximized);

    restore.NeverStartMinimized(true);
    store("WindowState", "2");
    restore.GetPosition(dialog);
    EXPECT_EQ(placement_of(dialog).show_command, show_command::kShowNormal);

    store("WindowState", "0");
    restore.GetPosition(dialog);
    EXPECT_TRUE(screen.window(dialog.hWnd())->visible) << "a stored hide never hides a dialog on show";
}

TEST_F(FormRestoreTest, AFixedBorderDialogKeepsItsDesignedSizeAtTheStoredCorner) {
    FakeDialog fixed(screen, border_style::kFixedDialog);
    store_rectangle("1");
    restore.GetPosition(fixed);
    const WindowPlacement p = placement_of(fixed);
    EXPECT_EQ(p.normal_left, 100);
    EXPECT_EQ(p.normal_top, 50);
    EXPECT_EQ(p.normal_right, 400);
    EXPECT_EQ(p.normal_bottom, 250);

    FakeDialog tool_window(screen, border_style::kSizableToolWindow);
    restore.GetPosition(tool_window);
    EXPECT_EQ(placement_of(tool_window).normal_right, 900);
    EXPECT_EQ(placement_of(tool_window).normal_bottom, 650);
}

TEST_F(FormRestoreTest, StoredTextsReadAsTheNumberTheyBeginWith) {
    FakeDialog dialog(screen, border_style::kSizable);
    store_rectangle("1");
    store("NormalPosLeft", "left edge");
    store("NormalPosTop", " 1 2px");
    store("MaxPosX", "-7.5");
    restore.GetPosition(dialog);
    const WindowPlacement p = placement_of(dialog);
    EXPECT_EQ(p.normal_left, 0);
    EXPECT_EQ(p.normal_top, 12);
    EXPECT_EQ(p.max_x, -8) << "halves round to even";
    EXPECT_EQ(p.min_x, 0) << "a missing value reads as 0";

    store("NormalPosRight", "99999999999");
    EXPECT_EQ(error_of([&] { restore.GetPosition(dialog); }), CFormRestore::kErrComponentFailure);
}

TEST_F(FormRestoreTest, WithNothingStoredTheDialogIsCentredRoundingHalvesToEven) {
    screen.set_desktop(0, 0, 1001, 603);
    FakeDialog dialog(screen, border_style::kFixedDialog);
    restore.GetPosition(dialog);
    WindowPlacement p = placement_of(dialog);
    EXPECT_EQ(p.normal_left, 350);  // (1001 - 300) / 2 = 350.5
    EXPECT_EQ(p.normal_top, 202);   // (603 - 200) / 2 = 201.5
    EXPECT_EQ(p.normal_right, 650);
    EXPECT_EQ(p.normal_bottom, 402);
    EXPECT_FALSE(screen.window(dialog.hWnd())->visible);

    FakeDialog uncentred(screen, border_style::kFixedDialog);
    restore.CenteredByDefault(false);
    restore.GetPosition(uncentred);
    EXPECT_EQ(placement_of(uncentred).normal_left, 10) << "without centring the window stays";
}

TEST_F(FormRestoreTest, OnlyANormalWindowIsCentred) {
    FakeDialog dialog(screen, border_style::kFixedDialog, true);
    screen.set_state(dialog.hWnd(), corvel::WindowState::Maximized);
    restore.GetPosition(dialog);
    EXPECT_EQ(placement_of(dialog).normal_left, 10);
    EXPECT_TRUE(screen.window(dialog.hWnd())->visible) << "a visible dialog is applied with the show command";
}

TEST_F(FormRestoreTest, SavingStoresTheNineValuesAsDecimalText) {
    FakeDialog dialog(screen, border_style::kSizable);
    WindowPlacement p;
    p.show_command = show_command::kShowMaximized;
    p.min_x = -32000;
    p.min_y = -32000;
    p.max_x = -8;
    p.max_y = -8;
    p.normal_left = 12;
    p.normal_top = 34;
    p.normal_right = 567;
    p.normal_bottom = 890;
    ASSERT_TRUE(screen.set_window_placement(dialog.hWnd(), p));
    restore.SavePosition(dialog);
    EXPECT_EQ(
        registry->value_names(reg_hive::kCurrentUser, kSection),
        (std::vector<std::string>{"WindowState", "MinPosX", "MinPosY", "MaxPosX", "MaxPosY", "NormalPosLeft",
                                  "NormalPosTop", "NormalPosRight", "NormalPosBottom"}));
    EXPECT_EQ(stored("WindowState"), std::string("3\0", 2));
    EXPECT_EQ(stored("MinPosX"), std::string("-32000\0", 7));
    EXPECT_EQ(stored("NormalPosBottom"), std::string("890\0", 4));

    FakeDialog restored(screen, border_style::kSizable);
    restore.GetPosition(restored);
    EXPECT_EQ(restored.WindowState(), corvel::WindowState::Maximized);
    EXPECT_EQ(placement_of(restored).normal_right, 567);
}

TEST_F(FormRestoreTest, AFailingPlatformCallIsNoErrorAndChangesNothing) {
    FakeDialog dialog(screen, border_style::kSizable);
    screen.fail_get();
    restore.SavePosition(dialog);
    EXPECT_EQ(stored("WindowState"), "<missing>");

    store_rectangle("1");
    screen.fail_set();
    restore.GetPosition(dialog);
    EXPECT_EQ(placement_of(dialog).normal_left, 10);
}

TEST_F(FormRestoreTest, ArgumentsAreCheckedAndOtherFailuresBecomeTheComponentFailure) {
    CFormRestore fresh(screen);
    FakeDialog dialog(screen, border_style::kSizable);
    EXPECT_EQ(error_of([&] { fresh.GetPosition(dialog); }), CFormRestore::kErrNotInitialized);
    EXPECT_EQ(error_of([&] { fresh.SavePosition(dialog); }), CFormRestore::kErrNotInitialized);
    EXPECT_EQ(error_of([&] { fresh.Init(nullptr, true); }), CFormRestore::kErrInvalidAppSettings);
    EXPECT_EQ(error_of([&] { fresh.AppSettings(nullptr); }), CFormRestore::kErrInvalidAppSettings);
    EXPECT_EQ(error_of([&] { restore.KeyName(""); }), CFormRestore::kErrInvalidKeyName);
    EXPECT_EQ(restore.KeyName(), "Windows settings");

    registry->fail(MemoryRegistry::Op::CreateKey, reg_status::kAccessDenied);
    EXPECT_EQ(error_of([&] { restore.SavePosition(dialog); }), CFormRestore::kErrComponentFailure);
}

// The way the dialogs use it: restore on load, save on unload, through the host's screen.
class PlacedDialog final : public forms::Form {
  public:
    PlacedDialog(forms::Host& host, std::shared_ptr<CAppSettings> settings)
        : Form(host, "frmModifyList"), settings_(std::move(settings)) {
        Width(300);
        Height(200);
    }

  protected:
    void Form_Load() override {
        restore_.Init(settings_, true);
        restore_.GetPosition(*this);
    }
    void Form_Unload(std::int32_t&) override { restore_.SavePosition(*this); }

  private:
    std::shared_ptr<CAppSettings> settings_;
    CFormRestore restore_{host().screen()};
};

TEST_F(FormRestoreTest, ADialogOpensCentredFirstAndWhereItWasClosedAfterwards) {
    forms::HeadlessHost host("Pelorin");
    {
        PlacedDialog dialog(host, settings);
        host.inspect([&](forms::Form& form) {
                WindowPlacement p;
                ASSERT_TRUE(host.screen().get_window_placement(form.hWnd(), p));
                EXPECT_EQ(p.normal_left, 810);
                EXPECT_EQ(p.normal_top, 440);
            })
            .window_state(corvel::WindowState::Maximized)
            .close_box();
        dialog.Show(forms::ShowMode::Modal);
    }
    EXPECT_EQ(registry->value_names(reg_hive::kCurrentUser, kSection).size(), 9u);
    EXPECT_EQ(stored("WindowState"), std::string("3\0", 2));

    PlacedDialog again(host, settings);
    host.inspect([](forms::Form& form) { EXPECT_EQ(form.WindowState(), corvel::WindowState::Maximized); })
        .close_box();
    again.Show(forms::ShowMode::Modal);
    host.verify();
}

}  // namespace
}  // namespace corvel
