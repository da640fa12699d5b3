#include "tests/win32/player/win32_player.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/win32/text.h"
#include "tests/win32/forms_host/window_driver.h"
#include "ui/forms/button.h"
#include "ui/forms/captioned_control.h"
#include "ui/forms/check_box.h"
#include "ui/forms/combo_box.h"
#include "ui/forms/frame.h"
#include "ui/forms/grid.h"
#include "ui/forms/list_box.h"
#include "ui/forms/option_button.h"
#include "ui/forms/tab_container.h"
#include "ui/forms/text_box.h"

namespace corvel::forms {

namespace {

using win32::testing::click_at;
using win32::testing::click_centre;
using win32::testing::text_of;
using win32::testing::type_text;

// Ticks of 20 ms a step may wait for its dialog or message box before the conversation is given up.
constexpr int kPatience = 250;
Win32Player* g_player = nullptr;

struct BoxSearch {
    HWND found = nullptr;
};

BOOL CALLBACK find_box(HWND window, LPARAM data) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (::IsWindowVisible(window) && std::wstring(name) == L"#32770") {
        reinterpret_cast<BoxSearch*>(data)->found = window;
        return FALSE;
    }
    return TRUE;
}

bool enabled_chain(const Control& c) {
    for (const Control* p = &c; p != nullptr; p = p->parent().as_control()) {
        if (!p->Enabled()) return false;
    }
    return true;
}

void collect(const Container& container, std::vector<Control*>& out) {
    for (Control* c : container.controls()) {
        out.push_back(c);
        if (const auto* inner = dynamic_cast<const Container*>(c)) collect(*inner, out);
    }
}

}  // namespace

Win32Player::Win32Player(std::string application_title, std::shared_ptr<MemoryScreen> screen)
    : application_title_(std::move(application_title)),
      memory_screen_(std::move(screen)),
      // A window standing in for the application's, which every first dialog disables.
      owner_(::CreateWindowExW(0, L"STATIC", L"Application", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                               nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr)),
      windows_(::GetModuleHandleW(nullptr), owner_.get()) {
    windows_.set_application_title(application_title_);
    // CORVEL_PLAYER_TRACE=1 prints each step as it is played, to follow a conversation that fails.
    trace_ = std::getenv("CORVEL_PLAYER_TRACE") != nullptr;
}

Win32Player::~Win32Player() {
    if (timer_ != 0) ::KillTimer(nullptr, timer_);
    if (g_player == this) g_player = nullptr;
}

void Win32Player::verify() const {
    if (first_mismatch_) throw ScriptMismatch(*first_mismatch_);
    // The last steps may say that dialogs have gone, which they have once the conversation is over.
    while (next_ < steps_.size() && steps_[next_].kind == Kind::ExpectHidden &&
           windows_.modal_form() == nullptr) {
        ++next_;
    }
    if (next_ < steps_.size())
        throw ScriptMismatch("the conversation ended before " + describe(steps_[next_]));
}

std::string Win32Player::describe(const Step& step) const {
    static const char* const kNames[] = {"click",     "type",         "select",  "select",  "select row",
                                         "close box", "window state", "inspect", "message", "expect hidden"};
    std::string text = "step " + std::to_string(static_cast<std::size_t>(&step - steps_.data()) + 1) + " (" +
                       kNames[static_cast<int>(step.kind)];
    if (!step.form.empty()) text += " " + step.form;
    if (!step.control.empty()) text += (step.form.empty() ? " " : ".") + step.control;
    if (step.expected) text += " \"" + step.expected->prompt + "\"";
    return text + ")";
}

void Win32Player::mismatch(const std::string& what) {
    if (trace_) std::fprintf(stderr, "mismatch: %s\n", what.c_str());
    if (!first_mismatch_) first_mismatch_ = what;
    // Every dialog goes, so that the modal displays end and the mismatch reaches the test.
    for (Form* form = windows_.modal_form(); form != nullptr;) {
        form->Hide();
        Form* next = windows_.modal_form();
        if (next == form) break;
        form = next;
    }
}

std::int32_t Win32Player::MsgBox(std::string_view prompt, std::int32_t style,
                                 std::optional<std::string_view> title) {
    messages_.push_back({std::string(prompt), style, std::string(title.value_or(application_title_))});
    if (first_mismatch_) return msgbox::kCancel;
    return windows_.MsgBox(prompt, style, title.value_or(application_title_));
}

void Win32Player::run_modal(Form& form) {
    if (trace_) std::fprintf(stderr, "modal %s\n", form.Name().c_str());
    if (timer_ == 0) {
        g_player = this;
        timer_ = ::SetTimer(nullptr, 0, 20, &Win32Player::tick);
    }
    if (first_mismatch_) throw ScriptMismatch(*first_mismatch_);
    if (playing_) {
        // A step's own action (code an inspection ran) shows a dialog: that step is played, and the
        // dialog takes the next steps in a loop of its own, as the person meets it there.
        if (next_ == in_step_) ++next_;
        playing_ = false;
        struct Resume {
            bool& playing;
            std::size_t& step;
            std::size_t was;
            ~Resume() {
                playing = true;
                step = was;
            }
        } resume{playing_, in_step_, in_step_};
        windows_.run_modal(form);
    } else {
        windows_.run_modal(form);
    }
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    if (first_mismatch_) throw ScriptMismatch(*first_mismatch_);
}

void CALLBACK Win32Player::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_player != nullptr) g_player->play();
}

void Win32Player::play() {
    if (first_mismatch_ || failure_) return;
    if (playing_) {
        // A step's own action opened a message box (code the check ran showed one): the box takes the
        // next message step from inside the step, as the person answers it there.
        BoxSearch box;
        ::EnumThreadWindows(::GetCurrentThreadId(), &find_box, reinterpret_cast<LPARAM>(&box));
        if (box.found != nullptr && !answering_) {
            answering_ = true;
            if (play_message(box.found)) {
                if (trace_) std::fprintf(stderr, "played %s\n", describe(steps_[next_]).c_str());
                ++next_;
            }
            answering_ = false;
        }
        return;
    }
    // Input takes its way through the system before the next step looks or acts: a click that is
    // still on its way when the next one comes may be lost.
    if (settle_ > 0 || (::GetQueueStatus(QS_INPUT) & 0xFFFF0000u) != 0) {
        if (settle_ > 0) --settle_;
        return;
    }
    playing_ = true;
    try {
        BoxSearch box;
        ::EnumThreadWindows(::GetCurrentThreadId(), &find_box, reinterpret_cast<LPARAM>(&box));
        Form* form = windows_.modal_form();
        bool done = false;
        in_step_ = next_;
        if (box.found == nullptr && next_ < steps_.size() && steps_[next_].kind == Kind::ExpectHidden) {
            done = play_hidden(steps_[next_]);
        } else if (box.found != nullptr) {
            done = play_message(box.found);
        } else if (form != nullptr && ::GetForegroundWindow() == windows_.window_of_form(*form) &&
                   ::IsWindowEnabled(windows_.window_of_form(*form))) {
            if (next_ >= steps_.size()) {
                if (++waited_ > 10)
                    mismatch(form->Name() + " is waiting for the person, but the script has ended");
            } else {
                done = play_on(*form, steps_[next_]);
            }
        }
        if (done) {
            settle_ = 3;
            if (trace_) std::fprintf(stderr, "played %s\n", describe(steps_[in_step_]).c_str());
            // A dialog the step showed has already moved past it.
            if (next_ == in_step_) ++next_;
            waited_ = 0;
        } else if (next_ < steps_.size() && ++waited_ > kPatience) {
            mismatch(describe(steps_[next_]) + " found no dialog or message box to play on");
        }
    } catch (...) {
        failure_ = std::current_exception();
        mismatch("the script failed");
    }
    playing_ = false;
}

bool Win32Player::play_message(HWND box) {
    if (next_ >= steps_.size() || steps_[next_].kind != Kind::Message) {
        const std::string at =
            next_ < steps_.size() ? describe(steps_[next_]) : std::string("the end of the script");
        mismatch("a message box \"" + (messages_.empty() ? std::string() : messages_.back().prompt) +
                 "\" came where the script has " + at);
        ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        return false;
    }
    const Step& step = steps_[next_];
    const std::string shown_prompt = win32::narrow(win32::testing::message_box_text(box));
    const std::string shown_title = win32::narrow(text_of(box));
    if (step.expected) {
        const ShownMessage& called = messages_.back();
        if (shown_prompt != step.expected->prompt || shown_title != step.expected->title ||
            called.style != step.expected->style) {
            mismatch(describe(step) + ": the message box shows \"" + shown_prompt + "\" titled \"" +
                     shown_title + "\" with style " + std::to_string(called.style));
        }
    }
    // Answered through its button, as the person presses it.
    HWND button = ::GetDlgItem(box, step.number);
    if (button == nullptr) {
        mismatch(describe(step) + ": the message box has no button for answer " +
                 std::to_string(step.number));
        ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        return false;
    }
    ::PostMessageW(button, BM_CLICK, 0, 0);
    return true;
}

void Win32Player::check_window(Form& form) {
    HWND window = windows_.window_of_form(form);
    EXPECT_EQ(win32::narrow(text_of(window)), form.Caption()) << form.Name() << "'s title";
    std::vector<Control*> all;
    collect(form, all);
    for (Control* c : all) {
        HWND w = windows_.control_window(*c);
        if (w == nullptr) continue;
        const std::string where = form.Name() + "." + c->Name();
        EXPECT_EQ(::IsWindowVisible(w) != FALSE, c->shown()) << where << " on show";
        if (!c->shown()) continue;
        EXPECT_EQ(::IsWindowEnabled(w) != FALSE, enabled_chain(*c)) << where << " enabled";
        if (auto* box = dynamic_cast<TextBox*>(c)) {
            EXPECT_EQ(win32::narrow(text_of(w)), box->Text()) << where;
        }
        if (auto* captioned = dynamic_cast<CaptionedControl*>(c)) {
            if (dynamic_cast<Frame*>(c) == nullptr) {
                EXPECT_EQ(win32::narrow(text_of(w)), captioned->Caption()) << where;
            }
        }
        if (auto* list = dynamic_cast<ListBox*>(c)) {
            EXPECT_EQ(::SendMessageW(w, LB_GETCOUNT, 0, 0), list->ListCount()) << where << " items";
            EXPECT_EQ(::SendMessageW(w, LB_GETCURSEL, 0, 0), list->ListIndex()) << where << " selection";
        }
        if (auto* grid = dynamic_cast<Grid*>(c)) {
            // The header is the first fixed row; the list shows the other rows, the first of them cell
            // by cell as the person reads them.
            const int first = std::min<int>(1, grid->FixedRows());
            EXPECT_EQ(ListView_GetItemCount(w), grid->Rows() - first) << where << " rows";
            for (int r = first; r < std::min<int>(grid->Rows(), first + 20); ++r) {
                for (int col = 0; col < grid->Cols(); ++col) {
                    wchar_t cell[260] = {};
                    LVITEMW item{};
                    item.iSubItem = col;
                    item.pszText = cell;
                    item.cchTextMax = 260;
                    ::SendMessageW(w, LVM_GETITEMTEXTW, static_cast<WPARAM>(r - first),
                                   reinterpret_cast<LPARAM>(&item));
                    EXPECT_EQ(win32::narrow(cell), grid->TextMatrix(r, col))
                        << where << " cell " << r << "," << col;
                }
            }
        }
        if (auto* combo = dynamic_cast<ComboBox*>(c)) {
            EXPECT_EQ(::SendMessageW(w, CB_GETCOUNT, 0, 0), combo->ListCount()) << where << " items";
            EXPECT_EQ(win32::narrow(text_of(w)), combo->Text()) << where << " text";
        }
        if (auto* box = dynamic_cast<CheckBox*>(c)) {
            EXPECT_EQ(::SendMessageW(w, BM_GETCHECK, 0, 0), box->Value()) << where << " value";
        }
        if (auto* option = dynamic_cast<OptionButton*>(c)) {
            EXPECT_EQ(::SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED, option->Value())
                << where << " value";
        }
    }
}

bool Win32Player::play_hidden(const Step& step) {
    Form* shown = windows_.modal_form();
    if (shown != nullptr && shown->Name() == step.form && shown->Visible()) {
        mismatch(describe(step) + ": " + step.form + " is still shown");
    }
    return true;
}

bool Win32Player::play_on(Form& form, const Step& step) {
    if (step.kind == Kind::ExpectHidden) return play_hidden(step);
    if (step.kind == Kind::Message) return false;                      // the box is not up yet
    if (!step.form.empty() && step.form != form.Name()) return false;  // another dialog is still on its way
    HWND window = windows_.window_of_form(form);
    switch (step.kind) {
        case Kind::CloseBox:
            ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        case Kind::WindowState: {
            const auto state = static_cast<corvel::WindowState>(step.number);
            ::ShowWindow(window, state == corvel::WindowState::Maximized   ? SW_MAXIMIZE
                                 : state == corvel::WindowState::Minimized ? SW_MINIMIZE
                                                                           : SW_RESTORE);
            return true;
        }
        case Kind::Inspect:
            check_window(form);
            if (step.check) step.check(form);
            return true;
        default:
            break;
    }
    Control* control = form.find_control(step.control);
    if (control == nullptr) {
        mismatch(describe(step) + ": " + form.Name() + " has no control " + step.control);
        return false;
    }
    if (!control->usable()) {
        mismatch(describe(step) + ": " + form.Name() + "." + step.control + " is " +
                 (control->shown() ? "disabled" : "hidden"));
        return false;
    }
    return perform_on_control(step, *control);
}

bool Win32Player::perform_on_control(const Step& step, Control& control) {
    HWND w = windows_.control_window(control);
    const std::string where = control.form().Name() + "." + control.Name();
    switch (step.kind) {
        case Kind::Click:
            if (dynamic_cast<Button*>(&control) || dynamic_cast<CheckBox*>(&control) ||
                dynamic_cast<OptionButton*>(&control)) {
                if (click_centre(w)) return true;
                settle_ = 2;
                return false;
            }
            mismatch(describe(step) + ": " + where + " is a " + control.kind() + ", not something to click");
            return true;
        case Kind::Type: {
            auto* combo = dynamic_cast<ComboBox*>(&control);
            if (dynamic_cast<TextBox*>(&control) == nullptr &&
                (combo == nullptr || combo->style() != ComboBox::Style::DropDownCombo)) {
                mismatch(describe(step) + ": " + where + " takes no typing");
                return true;
            }
            // The click first, the keys once it has put the focus there: the system sends keys to the
            // window that has the focus when they are pressed.
            if (!clicked_into_) {
                clicked_into_ = click_centre(w);
                settle_ = 3;
                return false;
            }
            clicked_into_ = false;
            // What the box held goes: the person selects it all and types over it.
            if (combo != nullptr) {
                ::SendMessageW(w, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
            } else {
                ::SendMessageW(w, EM_SETSEL, 0, -1);
            }
            type_text(win32::widen(step.text));
            return true;
        }
        case Kind::SelectIndex:
        case Kind::SelectItem: {
            std::int32_t index = step.number;
            if (auto* list = dynamic_cast<ListControl*>(&control)) {
                if (step.kind == Kind::SelectItem) {
                    const auto& items = list->items();
                    const auto it = std::find(items.begin(), items.end(), step.text);
                    if (it == items.end()) {
                        mismatch(describe(step) + ": " + where + " has no item \"" + step.text + "\"");
                        return true;
                    }
                    index = static_cast<std::int32_t>(it - items.begin());
                }
                if (dynamic_cast<ListBox*>(&control) != nullptr) {
                    ::SendMessageW(w, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
                    RECT item{};
                    ::SendMessageW(w, LB_GETITEMRECT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(&item));
                    if (!click_at(w, {item.left + 4, (item.top + item.bottom) / 2})) {
                        settle_ = 2;
                        return false;
                    }
                } else {
                    // The picked entry of a closed drop-down list: what the list sends its dialog
                    // when the person picks with the keyboard.
                    ::SetFocus(w);
                    ::SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
                    ::SendMessageW(::GetParent(w), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(w), CBN_SELCHANGE),
                                   reinterpret_cast<LPARAM>(w));
                }
                return true;
            }
            if (auto* tabs = dynamic_cast<TabContainer*>(&control)) {
                if (step.kind == Kind::SelectItem) {
                    index = -1;
                    for (std::int32_t i = 0; i < tabs->NumTabs(); ++i) {
                        if (tabs->TabCaption(i) == step.text) index = i;
                    }
                }
                tabs->user_select(index);
                return true;
            }
            mismatch(describe(step) + ": " + where + " has nothing to select");
            return true;
        }
        case Kind::SelectRow: {
            auto* grid = dynamic_cast<Grid*>(&control);
            if (grid == nullptr) {
                mismatch(describe(step) + ": " + where + " is no grid");
                return true;
            }
            if (step.number < grid->FixedRows()) {
                // The fixed row is the list's header: the person clicks that.
                HWND header = ListView_GetHeader(w);
                RECT r{};
                Header_GetItemRect(header, 0, &r);
                if (click_at(header, {(r.left + r.right) / 2, (r.top + r.bottom) / 2})) return true;
                settle_ = 2;
                return false;
            }
            const int item = step.number - std::min<int>(1, grid->FixedRows());
            ListView_EnsureVisible(w, item, FALSE);
            RECT r{};
            r.left = LVIR_BOUNDS;
            ::SendMessageW(w, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
            if (click_at(w, {r.left + 6, (r.top + r.bottom) / 2})) return true;
            settle_ = 2;
            return false;
        }
        default:
            return true;
    }
}

}  // namespace corvel::forms
