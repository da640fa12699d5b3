#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "libraries/dialog_gallery/gallery_dialogs.h"
#include "platform/win32/forms_host/win32_host.h"
#include "platform/win32/text.h"
#include "tests/win32/forms_host/window_driver.h"
#include "ui/forms/button.h"
#include "ui/forms/captioned_control.h"
#include "ui/forms/check_box.h"
#include "ui/forms/frame.h"
#include "ui/forms/label.h"
#include "ui/forms/option_button.h"
#include "ui/forms/tab_container.h"

namespace corvel::win32 {
namespace {

using forms::Control;
using testing::text_of;
using testing::WindowDriver;

struct Figures {
    int windows = 0;
    int outside = 0;
    int overlaps = 0;
    int clipped = 0;
    int tightest = 1 << 20;  // the least room any text had, in pixels
};

void collect(const forms::Container& container, std::vector<Control*>& out) {
    for (Control* c : container.controls()) {
        out.push_back(c);
        if (const auto* inner = dynamic_cast<const forms::Container*>(c)) collect(*inner, out);
    }
}

RECT client_rect_of(HWND window, HWND dialog) {
    RECT r{};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlap(const RECT& a, const RECT& b) {
    RECT both{};
    return ::IntersectRect(&both, &a, &b) != FALSE;
}

// The room a window's text has, in pixels (negative: clipped): its single-line width against the room
// the control leaves for it, or for a label its wrapped height against the label's height.
int text_room(HWND window, const std::wstring& text, int margin, bool wraps) {
    if (text.empty()) return 1 << 20;
    HDC dc = ::GetDC(window);
    HGDIOBJ before = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0)));
    RECT client{};
    ::GetClientRect(window, &client);
    RECT need{0, 0, client.right - margin, 0};
    const UINT format = DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, format);
    ::SelectObject(dc, before);
    ::ReleaseDC(window, dc);
    const int across = client.right - margin - need.right;
    return wraps ? std::min<int>(client.bottom - need.bottom, across) : across;
}

// Every control on show lies inside its container (a group box or the tab control it sits on, else
// the dialog), no two overlap but a container and what it holds, and no caption is clipped.
Figures check_layout(Win32Host& host, forms::Form& form, const std::string& where) {
    Figures f;
    HWND dialog = host.window_of_form(form);
    RECT client{};
    ::GetClientRect(dialog, &client);
    std::vector<Control*> all;
    collect(form, all);
    struct Shown {
        Control* control;
        HWND window;
        RECT rect;
    };
    std::vector<Shown> shown;
    for (Control* c : all) {
        if (!c->shown()) continue;
        for (HWND w : {host.control_window(*c), host.label_window(*c)}) {
            if (w == nullptr) continue;
            EXPECT_TRUE(::IsWindowVisible(w))
                << where << ": " << c->Name() << " is on show but its window is not";
            shown.push_back({c, w, client_rect_of(w, dialog)});
        }
    }
    const auto container_window = [&](const Control& c) -> const Shown* {
        for (const Control* p = c.parent().as_control(); p != nullptr; p = p->parent().as_control()) {
            for (const Shown& s : shown) {
                if (s.control == p) return &s;
            }
        }
        return nullptr;
    };
    const auto holds = [](const Control& outer, const Control& inner) {
        for (const Control* p = inner.parent().as_control(); p != nullptr; p = p->parent().as_control()) {
            if (p == &outer) return true;
        }
        return false;
    };
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Shown& s = shown[i];
        ++f.windows;
        const Shown* container = container_window(*s.control);
        const RECT bounds = container != nullptr ? container->rect : client;
        if (!inside(s.rect, bounds)) {
            ++f.outside;
            ADD_FAILURE() << where << ": " << s.control->Name() << " lies outside "
                          << (container != nullptr ? container->control->Name() : std::string("the dialog"));
        }
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const Shown& t = shown[j];
            if (s.control == t.control || holds(*s.control, *t.control) || holds(*t.control, *s.control))
                continue;
            if (overlap(s.rect, t.rect)) {
                ++f.overlaps;
                ADD_FAILURE() << where << ": " << s.control->Name() << " overlaps " << t.control->Name();
            }
        }
        const std::wstring text = text_of(s.window);
        int room = 1 << 20;
        const int check = ::GetSystemMetrics(SM_CXMENUCHECK) + 6;
        if (s.window == host.label_window(*s.control)) {
            room = text_room(s.window, text, 0, true);
        } else if (dynamic_cast<forms::Button*>(s.control) != nullptr) {
            room = text_room(s.window, text, 8, false);
        } else if (dynamic_cast<forms::CheckBox*>(s.control) != nullptr ||
                   dynamic_cast<forms::OptionButton*>(s.control) != nullptr) {
            room = text_room(s.window, text, check, false);
        } else if (dynamic_cast<forms::Label*>(s.control) != nullptr) {
            room = text_room(s.window, text, 0, true);
        } else if (dynamic_cast<forms::Frame*>(s.control) != nullptr) {
            room = text_room(s.window, text, 16, false);
        }
        f.tightest = std::min(f.tightest, room);
        if (room < 0) {
            ++f.clipped;
            ADD_FAILURE() << where << ": the text of " << s.control->Name() << " is clipped by " << -room
                          << " px";
        }
    }
    std::printf("layout %-28s %3d windows, %d outside, %d overlapping, %d clipped, least room %d px\n",
                where.c_str(), f.windows, f.outside, f.overlaps, f.clipped, f.tightest);
    return f;
}

class LayoutTest : public ::testing::TestWithParam<int> {};

// Every dialog of the library at the density under test, every page of the contract dialog included.
TEST_P(LayoutTest, EveryDialogFitsAtThisDensity) {
    const int dpi = GetParam();
    for (const gallery::Entry& entry : gallery::entries()) {
        if (!entry.is_form) continue;  // the system lays its message boxes out
        auto host = std::make_shared<Win32Host>(::GetModuleHandleW(nullptr), nullptr);
        host->set_dpi(dpi);
        gallery::Gallery g(host);
        int checked = 0;
        WindowDriver driver;
        driver.then(std::string(entry.name) + " is laid out", [&] {
            forms::Form* form = host->modal_form();
            if (form == nullptr || form->Name() != entry.name ||
                !::IsWindowVisible(host->window_of_form(*form))) {
                return false;
            }
            auto* pages = dynamic_cast<forms::TabContainer*>(form->find_control("CIndexType"));
            const int count = pages != nullptr ? pages->NumTabs() : 1;
            for (int page = 0; page < count; ++page) {
                std::string where = std::string(entry.name) + " @" + std::to_string(dpi);
                if (pages != nullptr) {
                    pages->CurrTab(page);
                    where += " " + pages->TabCaption(page);
                }
                check_layout(*host, *form, where);
                ++checked;
            }
            ::PostMessageW(host->window_of_form(*form), WM_CLOSE, 0, 0);
            return true;
        });
        entry.show(g);
        EXPECT_TRUE(driver.finished()) << driver.failed_step();
        EXPECT_GT(checked, 0) << entry.name;
    }
}

// A dialog moved to a screen of another density (the system tells a per-monitor aware window so) is
// made again for it: larger, and still with every control inside, none overlapping, no text clipped.
TEST(DensityChange, EveryDialogIsLaidOutAgainOnADenserScreen) {
    for (const gallery::Entry& entry : gallery::entries()) {
        if (!entry.is_form) continue;
        auto host = std::make_shared<Win32Host>(::GetModuleHandleW(nullptr), nullptr);
        host->set_dpi(96);
        gallery::Gallery g(host);
        WindowDriver driver;
        driver.then(std::string(entry.name) + " moves to a 144 DPI screen", [&] {
            forms::Form* form = host->modal_form();
            if (form == nullptr || form->Name() != entry.name ||
                !::IsWindowVisible(host->window_of_form(*form))) {
                return false;
            }
            HWND window = host->window_of_form(*form);
            RECT before{};
            ::GetClientRect(window, &before);
            RECT outer{};
            ::GetWindowRect(window, &outer);
            RECT suggested{outer.left, outer.top, outer.left + (outer.right - outer.left) * 3 / 2,
                           outer.top + (outer.bottom - outer.top) * 3 / 2};
            ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
            RECT after{};
            ::GetClientRect(window, &after);
            EXPECT_GE(after.right * 10, before.right * 13) << entry.name << " grew with the density";
            EXPECT_GE(after.bottom * 10, before.bottom * 13) << entry.name;
            ::GetWindowRect(window, &outer);
            EXPECT_EQ(form->Width(), outer.right - outer.left) << "the model knows its new size";
            check_layout(*host, *form, std::string(entry.name) + " @96->144");
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            return true;
        });
        entry.show(g);
        EXPECT_TRUE(driver.finished()) << driver.failed_step();
    }
}

INSTANTIATE_TEST_SUITE_P(Densities, LayoutTest, ::testing::Values(96, 120, 144, 192));

}  // namespace
}  // namespace corvel::win32
