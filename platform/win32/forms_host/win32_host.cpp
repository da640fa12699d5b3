#include "platform/win32/forms_host/win32_host.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/win32/forms_host/dialog_layouts.h"
#include "platform/win32/text.h"
#include "ui/forms/button.h"
#include "ui/forms/check_box.h"
#include "ui/forms/combo_box.h"
#include "ui/forms/frame.h"
#include "ui/forms/grid.h"
#include "ui/forms/label.h"
#include "ui/forms/list_box.h"
#include "ui/forms/option_button.h"
#include "ui/forms/tab_container.h"
#include "ui/forms/text_box.h"

namespace corvel::win32 {

using forms::Control;
using forms::Form;
using forms::Property;

namespace {

// Control ids start above the ids the dialog manager gives Enter and Esc (IDOK, IDCANCEL).
constexpr int kFirstControlId = 100;
// Extra dialog units a drop-down list opens below its edit part.
constexpr int kDropDownHeight = 100;
// Rows of a table measured for its column widths.
constexpr int kMeasuredRows = 200;
// Posted to a dialog whose tables changed: they are filled when it arrives.
constexpr UINT kFillGrids = WM_APP + 1;

enum class Kind { Button, CheckBox, Option, TextBox, Combo, List, Label, Frame, Grid, Tabs, Other };

Kind kind_of(const Control& c) {
    if (dynamic_cast<const forms::Button*>(&c)) return Kind::Button;
    if (dynamic_cast<const forms::CheckBox*>(&c)) return Kind::CheckBox;
    if (dynamic_cast<const forms::OptionButton*>(&c)) return Kind::Option;
    if (dynamic_cast<const forms::TextBox*>(&c)) return Kind::TextBox;
    if (dynamic_cast<const forms::ComboBox*>(&c)) return Kind::Combo;
    if (dynamic_cast<const forms::ListBox*>(&c)) return Kind::List;
    if (dynamic_cast<const forms::Label*>(&c)) return Kind::Label;
    if (dynamic_cast<const forms::Frame*>(&c)) return Kind::Frame;
    if (dynamic_cast<const forms::Grid*>(&c)) return Kind::Grid;
    if (dynamic_cast<const forms::TabContainer*>(&c)) return Kind::Tabs;
    return Kind::Other;
}

std::wstring window_text(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

void set_text_if_different(HWND window, std::string_view utf8) {
    const std::wstring wanted = widen(utf8);
    if (window_text(window) != wanted) ::SetWindowTextW(window, wanted.c_str());
}

// Activates the module's activation context for the windows created in a scope, so that they get
// the common controls its manifest names rather than the process's.
class ActivationScope {
  public:
    explicit ActivationScope(HANDLE context) noexcept {
        if (context != INVALID_HANDLE_VALUE && ::ActivateActCtx(context, &cookie_)) active_ = true;
    }
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;
    ~ActivationScope() {
        if (active_) ::DeactivateActCtx(0, cookie_);
    }

  private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// A count that is up while the host itself sets a native control, so that the notification the
// control sends back is not taken for the user's input.
class Updating {
  public:
    explicit Updating(int& count) noexcept : count_(count) { ++count_; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;
    ~Updating() { --count_; }

  private:
    int& count_;
};

// Every control of a container and of the containers in it, in creation order.
void collect(const forms::Container& container, std::vector<Control*>& out) {
    for (Control* c : container.controls()) {
        out.push_back(c);
        if (const auto* inner = dynamic_cast<const forms::Container*>(c)) collect(*inner, out);
    }
}

bool enabled_chain(const Control& c) {
    for (const Control* p = &c; p != nullptr; p = p->parent().as_control()) {
        if (!p->Enabled()) return false;
    }
    return true;
}

// A themed tab control paints its pages lighter than the dialog, but the controls on a page are the
// dialog's children and paint the dialog's colour: the tab control is drawn classic, in the dialog's
// colour, so nothing shows as a patch.
void without_theme(HMODULE themes, HWND window) {
    if (themes == nullptr) return;
    using SetTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    auto set_theme =
        reinterpret_cast<SetTheme>(reinterpret_cast<void*>(::GetProcAddress(themes, "SetWindowTheme")));
    if (set_theme != nullptr) set_theme(window, L"", L"");
}

// A field label's place in dialog units: left of its field, or above it.
RECT label_rect(const ControlPlace& place) {
    if (place.label > 0) {
        const int left = place.x - place.label - 3;
        return {left, place.y + 2, left + place.label, place.y + 10};
    }
    return {place.x, place.y - 10, place.x + place.width, place.y - 2};
}

// The window styles of a border style; a dialog whose layout grows with it is sizable whatever its
// border style says. Not clipping its children: the dialog paints beneath group boxes, which draw no
// inside of their own.
std::pair<DWORD, DWORD> frame_styles(std::int32_t border, bool grows) {
    DWORD style = WS_POPUP;
    DWORD ex_style = WS_EX_CONTROLPARENT;
    if (border != border_style::kNone || grows) {
        style |= WS_CAPTION | WS_SYSMENU;
        ex_style |= WS_EX_DLGMODALFRAME;
    }
    if (border == border_style::kSizable || border == border_style::kSizableToolWindow || grows) {
        style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
    }
    if (border == border_style::kFixedToolWindow || border == border_style::kSizableToolWindow) {
        ex_style |= WS_EX_TOOLWINDOW;
    }
    return {style, ex_style};
}

}  // namespace

// --- The screen.

bool Win32Screen::get_window_placement(WindowHandle window, WindowPlacement& placement) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (!::GetWindowPlacement(reinterpret_cast<HWND>(window), &wp)) return false;
    placement.flags = static_cast<std::int32_t>(wp.flags);
    placement.show_command = static_cast<std::int32_t>(wp.showCmd);
    placement.min_x = wp.ptMinPosition.x;
    placement.min_y = wp.ptMinPosition.y;
    placement.max_x = wp.ptMaxPosition.x;
    placement.max_y = wp.ptMaxPosition.y;
    placement.normal_left = wp.rcNormalPosition.left;
    placement.normal_top = wp.rcNormalPosition.top;
    placement.normal_right = wp.rcNormalPosition.right;
    placement.normal_bottom = wp.rcNormalPosition.bottom;
    return true;
}

bool Win32Screen::set_window_placement(WindowHandle window, const WindowPlacement& placement) {
    WINDOWPLACEMENT wp{};
    // The system's own size, whatever the record carries: it refuses any other.
    wp.length = sizeof(wp);
    wp.flags = static_cast<UINT>(placement.flags);
    wp.showCmd = static_cast<UINT>(placement.show_command);
    wp.ptMinPosition = {placement.min_x, placement.min_y};
    wp.ptMaxPosition = {placement.max_x, placement.max_y};
    wp.rcNormalPosition = {placement.normal_left, placement.normal_top, placement.normal_right,
                           placement.normal_bottom};
    return ::SetWindowPlacement(reinterpret_cast<HWND>(window), &wp) != FALSE;
}

WindowHandle Win32Screen::desktop_window() {
    return reinterpret_cast<WindowHandle>(::GetDesktopWindow());
}

// --- One form's window.

struct Win32Host::NativeControl {
    Control* control = nullptr;
    Kind kind = Kind::Other;
    HWND window = nullptr;  // null: drawn by nothing of its own (a frame without caption)
    HWND label = nullptr;   // the field label drawn from the tooltip
    int id = 0;
    ControlPlace place{};  // in dialog units
    // A grid's cells changed since it was last filled: it is filled once the changes are over.
    bool cells_stale = false;
};

struct Win32Host::FormWindow {
    using Native = NativeControl;

    Win32Host* host = nullptr;
    Form* form = nullptr;
    unique_hwnd window;
    unique_gdi font;
    HWND tooltip = nullptr;  // owned by the form's window, which destroys it
    int base_x = 6;          // pixels per 4 horizontal dialog units
    int base_y = 13;         // pixels per 8 vertical dialog units
    SIZE design{};           // the client size the layout was made for, in pixels
    std::vector<Native> natives;
    std::map<const Control*, std::size_t> index;
    std::map<int, std::size_t> by_id;
    int updating = 0;
    int default_id = 0;
    HWND below = nullptr;  // the window disabled by this form's modal display
    bool below_disabled = false;
    bool running = false;
    // Where the window was made, and whether it has been shown: a dialog is centred at its first
    // display only if nothing (a stored placement, the program) has placed it by then, and keeps the
    // place the person moved it to when it is shown again.
    POINT created_at{};
    bool shown_before = false;
    bool fill_posted = false;  // a kFillGrids message is on its way
    bool grows = false;        // its layout follows the dialog's size
    int width_dlu = 0;         // the layout's client size
    int height_dlu = 0;
    int dpi = 96;  // the density its font and dialog units are made for

    int px_x(int dlu) const { return ::MulDiv(dlu, base_x, 4); }
    int px_y(int dlu) const { return ::MulDiv(dlu, base_y, 8); }
    // A control's place in pixels as its layout gives it (a drop-down list with its open list).
    RECT px(const Native& n) const;
    Native* native(const Control& c) {
        const auto it = index.find(&c);
        return it == index.end() ? nullptr : &natives[it->second];
    }
};

RECT Win32Host::FormWindow::px(const Native& n) const {
    const int extra = n.kind == Kind::Combo ? kDropDownHeight : 0;
    const int x = px_x(n.place.x);
    const int y = px_y(n.place.y);
    return {x, y, x + px_x(n.place.width), y + px_y(n.place.height + extra)};
}

// --- Set-up.

Win32Host::Win32Host(HINSTANCE module, HWND owner) : module_(module), owner_(owner) {
    INITCOMMONCONTROLSEX controls{
        sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    context.hModule = module_;
    context.lpResourceName = MAKEINTRESOURCEW(kFormsManifestResourceId);
    // A module without the manifest still shows its dialogs, in the classic look.
    activation_context_.reset(::CreateActCtxW(&context));

    themes_.reset(::LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));

    // One class per host and module: two hosts in one process (a DLL and its test) must not share a
    // class whose owner could unload first.
    class_name_ = L"CorvelForm." + std::to_wstring(reinterpret_cast<std::uintptr_t>(this));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32Host::window_procedure;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = module_;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = class_name_.c_str();
    class_atom_ = ::RegisterClassExW(&wc);

    HDC screen = ::GetDC(nullptr);
    dpi_ = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
}

Win32Host::~Win32Host() {
    // Windows first: a class with windows left cannot be unregistered.
    windows_.clear();
    retired_.clear();
    if (class_atom_ != 0) ::UnregisterClassW(class_name_.c_str(), module_);
}

void Win32Host::set_owner(HWND owner) {
    owner_ = owner;
}

void Win32Host::set_dpi(int dpi) {
    forced_dpi_ = dpi;
}

Win32Host::FormWindow* Win32Host::window_of(const Form& form) const {
    const auto it = windows_.find(&form);
    return it == windows_.end() ? nullptr : it->second.get();
}

HWND Win32Host::control_window(const Control& control) const {
    FormWindow* fw = window_of(control.form());
    if (fw == nullptr) return nullptr;
    FormWindow::Native* n = fw->native(control);
    return n == nullptr ? nullptr : n->window;
}

HWND Win32Host::label_window(const Control& control) const {
    FormWindow* fw = window_of(control.form());
    if (fw == nullptr) return nullptr;
    FormWindow::Native* n = fw->native(control);
    return n == nullptr ? nullptr : n->label;
}

Control* Win32Host::control_of(HWND window) const {
    for (const auto& [form, fw] : windows_) {
        for (const auto& n : fw->natives) {
            if (n.window == window && window != nullptr) return n.control;
        }
    }
    return nullptr;
}

Form* Win32Host::form_of(HWND window) const {
    for (const auto& [form, fw] : windows_) {
        if (fw->window.get() == window && window != nullptr) return fw->form;
    }
    return nullptr;
}

HWND Win32Host::window_of_form(const Form& form) const {
    FormWindow* fw = window_of(form);
    return fw == nullptr ? nullptr : fw->window.get();
}

HWND Win32Host::owner_for_new_window() const {
    for (auto it = modal_.rbegin(); it != modal_.rend(); ++it) {
        if (FormWindow* fw = window_of(**it)) return fw->window.get();
    }
    return owner_;
}

// --- Windows.

// The system's dialog font at the dialog's density; the dialog units follow from it, so the layout
// scales with both.
void Win32Host::make_font(FormWindow& fw, int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW face{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        face = metrics.lfMessageFont;
        face.lfHeight = ::MulDiv(face.lfHeight, dpi, dpi_);
    } else {
        face.lfHeight = -::MulDiv(9, dpi, 72);
        wcscpy_s(face.lfFaceName, L"Tahoma");
    }
    fw.font.reset(::CreateFontIndirectW(&face));
    fw.dpi = dpi;
    if (HDC dc = ::GetDC(nullptr)) {
        HGDIOBJ before = ::SelectObject(dc, fw.font.get());
        TEXTMETRICW tm{};
        SIZE extent{};
        static constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        if (::GetTextMetricsW(dc, &tm) && ::GetTextExtentPoint32W(dc, kAlphabet, 52, &extent)) {
            fw.base_x = (extent.cx / 26 + 1) / 2;
            fw.base_y = tm.tmHeight;
        }
        ::SelectObject(dc, before);
        ::ReleaseDC(nullptr, dc);
    }
}

// The dialog moved to a screen of another density (per-monitor aware processes only): the font, the
// dialog units and with them every control are made again for it, around the client area the layout
// needs there.
void Win32Host::rescale(FormWindow& fw, int dpi, const RECT& suggested) {
    if (dpi <= 0 || dpi == fw.dpi) return;
    Updating updating(fw.updating);
    unique_gdi old_font = std::move(fw.font);
    make_font(fw, dpi);
    const auto font = reinterpret_cast<WPARAM>(fw.font.get());
    HWND window = fw.window.get();
    ::SendMessageW(window, WM_SETFONT, font, FALSE);
    for (const auto& n : fw.natives) {
        if (n.window == nullptr) continue;
        const RECT place = fw.px(n);
        ::SendMessageW(n.window, WM_SETFONT, font, FALSE);
        ::MoveWindow(n.window, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     FALSE);
        if (n.label != nullptr) {
            const RECT at = label_rect(n.place);
            ::SendMessageW(n.label, WM_SETFONT, font, FALSE);
            ::MoveWindow(n.label, fw.px_x(at.left), fw.px_y(at.top), fw.px_x(at.right - at.left),
                         fw.px_y(at.bottom - at.top), FALSE);
        }
    }
    if (fw.tooltip != nullptr) ::SendMessageW(fw.tooltip, TTM_SETMAXTIPWIDTH, 0, fw.px_x(200));
    fw.design = {fw.px_x(fw.width_dlu), fw.px_y(fw.height_dlu)};
    RECT frame{0, 0, fw.design.cx, fw.design.cy};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)));
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    if ((::GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME) != 0) {
        // A dialog the person may size keeps the size the system suggests, if it is larger.
        width = std::max<int>(width, suggested.right - suggested.left);
        height = std::max<int>(height, suggested.bottom - suggested.top);
    }
    ::SetWindowPos(window, nullptr, suggested.left, suggested.top, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    ::GetClientRect(window, &client);
    relayout(fw, client.right, client.bottom);
    ::InvalidateRect(window, nullptr, TRUE);
    if (fw.form != nullptr) {
        RECT outer{};
        ::GetWindowRect(window, &outer);
        fw.form->Width(outer.right - outer.left);
        fw.form->Height(outer.bottom - outer.top);
    }
}

WindowHandle Win32Host::create_window(Form& form) {
    if (FormWindow* existing = window_of(form)) return reinterpret_cast<WindowHandle>(existing->window.get());
    auto owned = std::make_unique<FormWindow>();
    FormWindow& fw = *owned;
    fw.form = &form;
    fw.host = this;
    make_font(fw, forced_dpi_ != 0 ? forced_dpi_ : dpi_);

    // Places: from the dialog's layout, or a plain column for a form without one.
    const DialogLayout* layout = dialog_layout(form.Name());
    std::vector<Control*> all;
    collect(form, all);
    int width_dlu = layout != nullptr ? layout->width : 200;
    int height_dlu = layout != nullptr ? layout->height : 7;
    int next_id = kFirstControlId;
    for (Control* c : all) {
        FormWindow::Native n;
        n.control = c;
        n.kind = kind_of(*c);
        n.id = next_id++;
        bool placed = false;
        if (layout != nullptr) {
            for (const ControlPlace& p : layout->places) {
                if (c->Name() == p.name) {
                    n.place = p;
                    placed = true;
                    break;
                }
            }
        }
        if (!placed) {
            const bool tall = n.kind == Kind::List || n.kind == Kind::Grid;
            const auto h = static_cast<std::int16_t>(tall ? 60 : (n.kind == Kind::Button ? 14 : 12));
            n.place = {c->Name().c_str(), 7, static_cast<std::int16_t>(height_dlu), 186, h};
            if (n.kind != Kind::Frame && n.kind != Kind::Tabs) height_dlu += h + 4;
        }
        fw.index[c] = fw.natives.size();
        fw.by_id[n.id] = fw.natives.size();
        fw.natives.push_back(n);
    }
    if (layout == nullptr) height_dlu += 3;
    if (layout != nullptr && layout->default_button != nullptr) {
        for (const auto& n : fw.natives) {
            if (n.control->Name() == layout->default_button) fw.default_id = n.id;
        }
    }

    ActivationScope activation(activation_context_.get());
    fw.grows = layout != nullptr && !layout->places.empty() &&
               (layout->places.front().anchors & (anchor::kGrowX | anchor::kGrowY)) != 0;
    const auto [style, ex_style] = frame_styles(form.BorderStyle(), fw.grows);
    fw.width_dlu = width_dlu;
    fw.height_dlu = height_dlu;
    RECT frame{0, 0, fw.px_x(width_dlu), fw.px_y(height_dlu)};
    fw.design = {frame.right, frame.bottom};
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    fw.window.reset(::CreateWindowExW(
        ex_style, class_name_.c_str(), widen(form.Caption()).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
        frame.right - frame.left, frame.bottom - frame.top, owner_for_new_window(), nullptr, module_, &fw));
    if (!fw.window) return 0;
    HWND parent = fw.window.get();
    RECT made{};
    ::GetWindowRect(parent, &made);
    fw.created_at = {made.left, made.top};
    ::SendMessageW(parent, WM_SETFONT, reinterpret_cast<WPARAM>(fw.font.get()), FALSE);

    fw.tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, module_, nullptr);
    if (fw.tooltip != nullptr) ::SendMessageW(fw.tooltip, TTM_SETMAXTIPWIDTH, 0, fw.px_x(200));

    // The native controls, in the order the dialog made them, which is its tab order.
    Updating updating(fw.updating);
    bool first_option = true;
    const forms::Container* option_group = nullptr;
    for (auto& n : fw.natives) {
        const wchar_t* window_class = L"BUTTON";
        DWORD cs = WS_CHILD;
        DWORD cx = 0;
        std::wstring text;
        switch (n.kind) {
            case Kind::Button:
                cs |= WS_TABSTOP | (n.id == fw.default_id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
                text = widen(static_cast<forms::Button*>(n.control)->Caption());
                break;
            case Kind::CheckBox:
                cs |= WS_TABSTOP | BS_CHECKBOX;
                text = widen(static_cast<forms::CheckBox*>(n.control)->Caption());
                break;
            case Kind::Option:
                // The first option button of each container starts a group; the arrow keys stay in it.
                first_option = option_group != &n.control->parent();
                option_group = &n.control->parent();
                cs |= BS_RADIOBUTTON | (first_option ? WS_GROUP | WS_TABSTOP : 0);
                text = widen(static_cast<forms::OptionButton*>(n.control)->Caption());
                break;
            case Kind::TextBox: {
                window_class = L"EDIT";
                cx = WS_EX_CLIENTEDGE;
                cs |= WS_TABSTOP | ES_AUTOHSCROLL;
                if (static_cast<forms::TextBox*>(n.control)->MultiLine()) {
                    cs |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN;
                    cs &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
                }
                break;
            }
            case Kind::Combo:
                window_class = WC_COMBOBOXW;
                cs |=
                    WS_TABSTOP | WS_VSCROLL |
                    (static_cast<forms::ComboBox*>(n.control)->style() == forms::ComboBox::Style::DropDownList
                         ? CBS_DROPDOWNLIST
                         : CBS_DROPDOWN | CBS_AUTOHSCROLL);
                break;
            case Kind::List:
                window_class = L"LISTBOX";
                cx = WS_EX_CLIENTEDGE;
                cs |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
                break;
            case Kind::Label:
                window_class = L"STATIC";
                cs |= SS_LEFT;
                text = widen(static_cast<forms::Label*>(n.control)->Caption());
                break;
            case Kind::Frame:
                // A frame without a caption only groups: it draws nothing.
                if (static_cast<forms::Frame*>(n.control)->Caption().empty()) continue;
                cs |= BS_GROUPBOX;
                text = widen(static_cast<forms::Frame*>(n.control)->Caption());
                break;
            case Kind::Grid:
                window_class = WC_LISTVIEWW;
                cx = WS_EX_CLIENTEDGE;
                // The header answers clicks: it is the fixed row, which a click makes current. The
                // list holds no texts of its own: it asks for the rows it shows (a quotes sheet may
                // have thousands), so filling it costs the same for any number of rows.
                cs |= WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA;
                break;
            case Kind::Tabs:
                if (n.place.pages_only) {
                    cs |= BS_GROUPBOX;
                } else {
                    window_class = WC_TABCONTROLW;
                    cs |= WS_CLIPSIBLINGS;
                }
                break;
            case Kind::Other:
                continue;
        }
        const RECT place = fw.px(n);
        n.window = ::CreateWindowExW(cx, window_class, text.c_str(), cs, place.left, place.top,
                                     place.right - place.left, place.bottom - place.top, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(n.id)), module_, nullptr);
        if (n.window == nullptr) continue;
        ::SendMessageW(n.window, WM_SETFONT, reinterpret_cast<WPARAM>(fw.font.get()), FALSE);
        if (n.kind == Kind::Tabs && !n.place.pages_only) without_theme(themes_.get(), n.window);
        if (n.kind == Kind::Grid) {
            ListView_SetExtendedListViewStyle(n.window, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        }
        if (n.place.label != 0) {
            const RECT at = label_rect(n.place);
            n.label = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | SS_LEFT | SS_NOPREFIX,
                                        fw.px_x(at.left), fw.px_y(at.top), fw.px_x(at.right - at.left),
                                        fw.px_y(at.bottom - at.top), parent, nullptr, module_, nullptr);
            if (n.label != nullptr) {
                ::SendMessageW(n.label, WM_SETFONT, reinterpret_cast<WPARAM>(fw.font.get()), FALSE);
            }
        }
    }
    // Group boxes and tab controls go beneath everything, so that what they hold paints over them.
    for (auto& n : fw.natives) {
        if (n.window != nullptr && (n.kind == Kind::Frame || n.kind == Kind::Tabs)) {
            ::SetWindowPos(n.window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    reorder(fw);
    if (fw.default_id != 0) ::SendMessageW(parent, DM_SETDEFID, static_cast<WPARAM>(fw.default_id), 0);

    windows_[&form] = std::move(owned);
    for (auto& n : fw.natives)
        sync(fw, n);
    sync_states(fw);
    // The form reports its real size in pixels from now on, as the placement store reads it.
    RECT outer{};
    ::GetWindowRect(parent, &outer);
    form.Width(outer.right - outer.left);
    form.Height(outer.bottom - outer.top);
    return reinterpret_cast<WindowHandle>(parent);
}

void Win32Host::reorder(FormWindow& fw) {
    // Tab order is the windows' order: sort by the model's tab positions and chain them.
    std::vector<const FormWindow::Native*> order;
    for (const auto& n : fw.natives) {
        if (n.window != nullptr && n.kind != Kind::Frame && n.kind != Kind::Tabs) order.push_back(&n);
    }
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return a->control->TabIndex() < b->control->TabIndex();
    });
    HWND after = HWND_TOP;
    for (const auto* n : order) {
        if (n->label != nullptr) {
            ::SetWindowPos(n->label, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = n->label;
        }
        ::SetWindowPos(n->window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = n->window;
    }
}

void Win32Host::destroy_window(Form& form) {
    const auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    FormWindow& fw = *it->second;
    release_below(fw);
    // The record may still be on the stack of the message that unloaded the form: it is let go of
    // once no message is being handled.
    fw.form = nullptr;
    fw.window.reset();
    retired_.push_back(std::move(it->second));
    windows_.erase(it);
    wake();
}

void Win32Host::show_window(Form& form, bool visible) {
    FormWindow* fw = window_of(form);
    if (fw == nullptr) return;
    HWND window = fw->window.get();
    if (!visible) {
        release_below(*fw);
        ::ShowWindow(window, SW_HIDE);
        wake();
        return;
    }
    // The first paint shows the tables complete.
    fill_grids(*fw);
    RECT outer{};
    ::GetWindowRect(window, &outer);
    const bool placed = fw->shown_before || outer.left != fw->created_at.x || outer.top != fw->created_at.y;
    fw->shown_before = true;
    if (!placed) centre(window, outer);
    const int show = form.WindowState() == WindowState::Maximized   ? SW_SHOWMAXIMIZED
                     : form.WindowState() == WindowState::Minimized ? SW_SHOWMINIMIZED
                                                                    : SW_SHOW;
    ::ShowWindow(window, show);
    ::SetForegroundWindow(window);
    focus_initial(*fw);
}

// Centred over the window below it, or over the screen's work area, and never off the work area.
void Win32Host::centre(HWND window, const RECT& outer) {
    RECT area{};
    HWND below = owner_for_new_window();
    if (below == window) below = owner_;
    if (below == nullptr || !::IsWindowVisible(below) || !::GetWindowRect(below, &area)) {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int w = outer.right - outer.left;
    const int h = outer.bottom - outer.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    x = std::max<int>(work.left, std::min<int>(x, work.right - w));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Host::focus_initial(FormWindow& fw) {
    HWND target = nullptr;
    if (Control* active = fw.form->ActiveControl()) {
        if (FormWindow::Native* n = fw.native(*active)) target = n->window;
    }
    if (target == nullptr || !::IsWindowVisible(target) || !::IsWindowEnabled(target)) {
        // The first control in tab order, but not a text box of several lines: Enter there breaks a
        // line, and the person expects it to press the default button (the error dialog's answer).
        target = nullptr;
        HWND first = ::GetNextDlgTabItem(fw.window.get(), nullptr, FALSE);
        for (HWND at = first; at != nullptr;) {
            auto* box = dynamic_cast<forms::TextBox*>(control_of(at));
            if (box == nullptr || !box->MultiLine()) {
                target = at;
                break;
            }
            at = ::GetNextDlgTabItem(fw.window.get(), at, FALSE);
            if (at == first) break;
        }
        if (fw.default_id != 0 && (target == nullptr || target != first)) {
            target = ::GetDlgItem(fw.window.get(), fw.default_id);
        }
        if (target == nullptr) target = first;
    }
    if (target != nullptr) {
        Updating updating(fw.updating);
        ::SetFocus(target);
    }
}

void Win32Host::release_below(FormWindow& fw) {
    if (!fw.below_disabled) return;
    fw.below_disabled = false;
    // Enabled before this window goes, so that the system activates it rather than some other.
    if (::IsWindow(fw.below)) {
        ::EnableWindow(fw.below, TRUE);
        ::SetActiveWindow(fw.below);
    }
}

void Win32Host::wake() {
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

void Win32Host::run_modal(Form& form) {
    FormWindow* fw = window_of(form);
    if (fw == nullptr) return;
    HWND window = fw->window.get();
    HWND below = nullptr;
    for (auto it = modal_.rbegin(); it != modal_.rend() && below == nullptr; ++it) {
        if (*it != &form) below = window_of_form(**it);
    }
    if (below == nullptr) below = owner_;
    if (below != nullptr && below != window) {
        ::SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(below));
        if (::IsWindowEnabled(below)) {
            ::EnableWindow(below, FALSE);
            fw->below = below;
            fw->below_disabled = true;
        }
    }
    modal_.push_back(&form);
    const auto still_up = [&] {
        return window_of(form) != nullptr && form.Loaded() && form.Visible() && !pending_;
    };
    while (still_up()) {
        MSG message{};
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The thread is ending: hand the quit on to the loop outside this dialog.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) break;
        if (!pre_translate(message)) {
            HWND dialog = window_of_form(*modal_.back());
            if (dialog == nullptr || !::IsDialogMessageW(dialog, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
        if (dispatching_ == 0) retired_.clear();
    }
    modal_.erase(std::find(modal_.begin(), modal_.end(), &form));
    if (FormWindow* still = window_of(form)) release_below(*still);
    if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
}

bool Win32Host::pre_translate(MSG& message) {
    if (message.message != WM_KEYDOWN) return false;
    const WPARAM key = message.wParam;
    if (key != VK_UP && key != VK_DOWN && key != VK_LEFT && key != VK_RIGHT) return false;
    // The arrow keys move within an option group and select the button they land on, as the model
    // does for a click.
    auto* option = dynamic_cast<forms::OptionButton*>(control_of(message.hwnd));
    if (option == nullptr) return false;
    std::vector<forms::OptionButton*> group;
    for (Control* sibling : option->parent().controls()) {
        if (auto* o = dynamic_cast<forms::OptionButton*>(sibling); o != nullptr && o->usable())
            group.push_back(o);
    }
    std::stable_sort(group.begin(), group.end(),
                     [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
    const auto at = std::find(group.begin(), group.end(), option);
    if (at == group.end() || group.size() < 2) return true;
    const bool forward = key == VK_DOWN || key == VK_RIGHT;
    const std::size_t i = static_cast<std::size_t>(at - group.begin());
    forms::OptionButton* next =
        group[forward ? (i + 1) % group.size() : (i + group.size() - 1) % group.size()];
    if (HWND target = control_window(*next)) ::SetFocus(target);
    guarded([&] { next->user_click(); });
    return true;
}

// --- Following the model.

void Win32Host::sync(FormWindow& fw, NativeControl& n) {
    for (Property p : {Property::Text, Property::Caption, Property::Value, Property::Locked, Property::Items,
                       Property::Cells, Property::CurrentTab, Property::ToolTip}) {
        apply(fw, n, p);
    }
}

void Win32Host::sync_states(FormWindow& fw) {
    Updating updating(fw.updating);
    for (auto& n : fw.natives) {
        const bool shown = n.control->shown();
        const bool enabled = enabled_chain(*n.control);
        for (HWND w : {n.window, n.label}) {
            if (w == nullptr) continue;
            // The window's own flag, not IsWindowVisible: while the dialog itself is hidden (its
            // Form_Load picks the page) every child reads as invisible, and would keep showing.
            const bool flagged = (::GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0;
            if (flagged != shown) ::ShowWindow(w, shown ? SW_SHOWNA : SW_HIDE);
            if ((::IsWindowEnabled(w) != FALSE) != enabled) ::EnableWindow(w, enabled ? TRUE : FALSE);
        }
    }
}

void Win32Host::changed(Control& control, Property what) {
    FormWindow* fw = window_of(control.form());
    if (fw == nullptr) return;  // drawn when the form's window is made
    FormWindow::Native* n = fw->native(control);
    if (n == nullptr) return;
    switch (what) {
        case Property::Enabled:
        case Property::Visible:
            sync_states(*fw);
            return;
        case Property::CurrentTab:
            apply(*fw, *n, what);
            sync_states(*fw);
            return;
        case Property::TabIndex:
            reorder(*fw);
            return;
        case Property::Focus:
            if (n->window != nullptr && ::GetFocus() != n->window && ::IsWindowVisible(fw->window.get())) {
                Updating updating(fw->updating);
                ::SetFocus(n->window);
            }
            return;
        case Property::Refresh:
            if (n->window != nullptr) ::InvalidateRect(n->window, nullptr, TRUE);
            return;
        default:
            apply(*fw, *n, what);
    }
}

void Win32Host::apply(FormWindow& fw, NativeControl& n, Property what) {
    HWND w = n.window;
    if (w == nullptr) return;
    Updating updating(fw.updating);
    switch (n.kind) {
        case Kind::Button:
        case Kind::Label:
        case Kind::Frame:
            if (what == Property::Caption) {
                set_text_if_different(w, static_cast<forms::CaptionedControl*>(n.control)->Caption());
            }
            break;
        case Kind::CheckBox: {
            auto* box = static_cast<forms::CheckBox*>(n.control);
            if (what == Property::Caption) set_text_if_different(w, box->Caption());
            if (what == Property::Value) {
                const WPARAM state = box->Value() == forms::CheckBox::kChecked  ? BST_CHECKED
                                     : box->Value() == forms::CheckBox::kGrayed ? BST_INDETERMINATE
                                                                                : BST_UNCHECKED;
                if (box->Value() == forms::CheckBox::kGrayed) {
                    // Only a three-state box shows the greyed mark.
                    ::SendMessageW(w, BM_SETSTYLE, BS_3STATE, TRUE);
                }
                ::SendMessageW(w, BM_SETCHECK, state, 0);
            }
            break;
        }
        case Kind::Option: {
            auto* option = static_cast<forms::OptionButton*>(n.control);
            if (what == Property::Caption) set_text_if_different(w, option->Caption());
            if (what == Property::Value)
                ::SendMessageW(w, BM_SETCHECK, option->Value() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        }
        case Kind::TextBox: {
            auto* box = static_cast<forms::TextBox*>(n.control);
            if (what == Property::Text) set_text_if_different(w, box->Text());
            if (what == Property::Locked) ::SendMessageW(w, EM_SETREADONLY, box->Locked() ? TRUE : FALSE, 0);
            break;
        }
        case Kind::Combo: {
            auto* combo = static_cast<forms::ComboBox*>(n.control);
            if (what == Property::Items) {
                ::SendMessageW(w, CB_RESETCONTENT, 0, 0);
                for (const std::string& item : combo->items()) {
                    ::SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(item).c_str()));
                }
            }
            if (what == Property::Items || what == Property::ListIndex || what == Property::Text) {
                const LRESULT shown = ::SendMessageW(w, CB_GETCURSEL, 0, 0);
                if (shown != combo->ListIndex() || what == Property::Items) {
                    ::SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(combo->ListIndex()), 0);
                }
                if (combo->style() == forms::ComboBox::Style::DropDownCombo)
                    set_text_if_different(w, combo->Text());
            }
            break;
        }
        case Kind::List: {
            auto* list = static_cast<forms::ListBox*>(n.control);
            if (what == Property::Items) {
                ::SendMessageW(w, LB_RESETCONTENT, 0, 0);
                for (const std::string& item : list->items()) {
                    ::SendMessageW(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(item).c_str()));
                }
            }
            if (what == Property::Items || what == Property::ListIndex) {
                if (::SendMessageW(w, LB_GETCURSEL, 0, 0) != list->ListIndex() || what == Property::Items) {
                    ::SendMessageW(w, LB_SETCURSEL, static_cast<WPARAM>(list->ListIndex()), 0);
                }
            }
            break;
        }
        case Kind::Grid:
            // A dialog fills its table cell by cell: refilling the list at every cell would make
            // opening it quadratic in the rows. The list is filled once the changes are over (when
            // the messages of this round are handled, or when the dialog is shown, if sooner).
            if (what == Property::Cells) {
                n.cells_stale = true;
                if (!fw.fill_posted && ::PostMessageW(fw.window.get(), kFillGrids, 0, 0))
                    fw.fill_posted = true;
                if (!fw.fill_posted) fill_grids(fw);
            }
            if (what == Property::Selection && !n.cells_stale) select_grid_row(n);
            break;
        case Kind::Tabs: {
            auto* tabs = static_cast<forms::TabContainer*>(n.control);
            if (n.place.pages_only) {
                if (what == Property::Caption || what == Property::CurrentTab) {
                    set_text_if_different(w, tabs->TabCaption(tabs->CurrTab()));
                }
                break;
            }
            if (what == Property::Caption) {
                TabCtrl_DeleteAllItems(w);
            }
            if (what == Property::Caption || (what == Property::CurrentTab && TabCtrl_GetItemCount(w) == 0)) {
                for (std::int32_t i = 0; i < tabs->NumTabs(); ++i) {
                    std::wstring caption = widen(tabs->TabCaption(i));
                    TCITEMW item{};
                    item.mask = TCIF_TEXT;
                    item.pszText = caption.data();
                    ::SendMessageW(w, TCM_INSERTITEMW, static_cast<WPARAM>(i),
                                   reinterpret_cast<LPARAM>(&item));
                }
            }
            if (what == Property::Caption || what == Property::CurrentTab) {
                if (TabCtrl_GetCurSel(w) != tabs->CurrTab()) TabCtrl_SetCurSel(w, tabs->CurrTab());
            }
            break;
        }
        case Kind::Other:
            break;
    }
    if (what == Property::ToolTip) {
        const std::string& tip = n.control->ToolTipText();
        if (n.label != nullptr) set_text_if_different(n.label, tip);
        if (fw.tooltip != nullptr) {
            std::wstring text = widen(tip);
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = fw.window.get();
            tool.uId = reinterpret_cast<UINT_PTR>(w);
            ::SendMessageW(fw.tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            if (!text.empty()) {
                tool.lpszText = text.data();
                ::SendMessageW(fw.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            }
        }
    }
}

void Win32Host::fill_grids(FormWindow& fw) {
    Updating updating(fw.updating);
    for (auto& n : fw.natives) {
        if (!n.cells_stale || n.window == nullptr) continue;
        n.cells_stale = false;
        fill_grid(fw, n);
        select_grid_row(n);
    }
}

void Win32Host::fill_grid(FormWindow& fw, NativeControl& n) {
    auto* grid = static_cast<forms::Grid*>(n.control);
    HWND w = n.window;
    ListView_DeleteAllItems(w);
    HWND header = ListView_GetHeader(w);
    int columns = header != nullptr ? Header_GetItemCount(header) : 0;
    while (columns > grid->Cols())
        ListView_DeleteColumn(w, --columns);
    const int client_width = fw.px_x(n.place.width) - ::GetSystemMetrics(SM_CXVSCROLL) - 4;
    // Each column as wide as its widest text, header included, so nothing is cut short while there
    // is room; the columns share out what room is left.
    std::vector<int> widths;
    int total = 0;
    for (int c = 0; c < grid->Cols(); ++c) {
        int widest = 0;
        // The first rows stand for the rest: measuring every row of a long table would cost what
        // asking for the shown rows saves.
        for (int r = 0; r < std::min<int>(grid->Rows(), kMeasuredRows); ++r) {
            const std::wstring cell = widen(grid->TextMatrix(r, c));
            widest =
                std::max(widest, static_cast<int>(::SendMessageW(w, LVM_GETSTRINGWIDTHW, 0,
                                                                 reinterpret_cast<LPARAM>(cell.c_str()))));
        }
        widths.push_back(widest + fw.px_x(10));
        total += widths.back();
    }
    if (total > 0 && total < client_width) {
        const int spare = (client_width - total) / grid->Cols();
        for (int& width : widths)
            width += spare;
    }
    for (int c = 0; c < grid->Cols(); ++c) {
        std::wstring title = grid->FixedRows() > 0 ? widen(grid->TextMatrix(0, c)) : std::wstring();
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = std::max(client_width / std::max(grid->Cols(), 1), 20);
        if (c < static_cast<int>(widths.size())) column.cx = widths[static_cast<std::size_t>(c)];
        if (c < columns) {
            ::SendMessageW(w, LVM_SETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
        } else {
            ::SendMessageW(w, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
        }
    }
    // The header shows the first fixed row; further fixed rows are rows nobody can select.
    const int first = std::min<int>(1, grid->FixedRows());
    ListView_SetItemCountEx(w, std::max(0, grid->Rows() - first), LVSICF_NOSCROLL);
    ::InvalidateRect(w, nullptr, TRUE);
}

void Win32Host::select_grid_row(NativeControl& n) {
    auto* grid = static_cast<forms::Grid*>(n.control);
    HWND w = n.window;
    const int first = std::min<int>(1, grid->FixedRows());
    const int item = grid->Row() >= grid->FixedRows() ? grid->Row() - first : -1;
    const int shown = ListView_GetNextItem(w, -1, LVNI_SELECTED);
    if (shown == item) return;
    ListView_SetItemState(w, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (item >= 0) {
        ListView_SetItemState(w, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(w, item, FALSE);
    }
}

void Win32Host::changed(Form& form, forms::FormProperty what) {
    FormWindow* fw = window_of(form);
    if (fw == nullptr || fw->updating != 0) return;
    HWND window = fw->window.get();
    Updating updating(fw->updating);
    switch (what) {
        case forms::FormProperty::Caption:
            set_text_if_different(window, form.Caption());
            break;
        case forms::FormProperty::WindowState:
            if (::IsWindowVisible(window)) {
                ::ShowWindow(window, form.WindowState() == WindowState::Maximized   ? SW_MAXIMIZE
                                     : form.WindowState() == WindowState::Minimized ? SW_MINIMIZE
                                                                                    : SW_RESTORE);
            }
            break;
        case forms::FormProperty::Size:
            if ((::GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME) != 0) {
                ::SetWindowPos(window, nullptr, 0, 0, form.Width(), form.Height(),
                               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            break;
        case forms::FormProperty::Position:
            ::SetWindowPos(window, nullptr, form.Left(), form.Top(), 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        case forms::FormProperty::BorderStyle: {
            // The frame changes around the same client area, where the controls already lie.
            const auto [style, ex_style] = frame_styles(form.BorderStyle(), fw->grows);
            const DWORD framing = WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CAPTION | WS_SYSMENU | WS_BORDER;
            const DWORD ex_framing = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;
            RECT client{};
            ::GetClientRect(window, &client);
            ::SetWindowLongW(window, GWL_STYLE,
                             static_cast<LONG>((::GetWindowLongW(window, GWL_STYLE) & ~framing) | style));
            ::SetWindowLongW(
                window, GWL_EXSTYLE,
                static_cast<LONG>((::GetWindowLongW(window, GWL_EXSTYLE) & ~ex_framing) | ex_style));
            ::AdjustWindowRectEx(&client, style, FALSE, ex_style);
            ::SetWindowPos(window, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            RECT outer{};
            ::GetWindowRect(window, &outer);
            form.Width(outer.right - outer.left);
            form.Height(outer.bottom - outer.top);
            break;
        }
    }
}

// --- The person's input.

template <class Action>
void Win32Host::guarded(Action&& action) {
    if (pending_) return;
    try {
        action();
    } catch (...) {
        pending_ = std::current_exception();
        wake();
    }
}

LRESULT CALLBACK Win32Host::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* fw = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (fw == nullptr || fw->form == nullptr || message == WM_NCCREATE) {
        return ::DefDlgProcW(window, message, wparam, lparam);
    }
    // The record's host, not the form's: a host may stand in front of this one (a test's player).
    Win32Host* host = fw->host;
    ++host->dispatching_;
    const LRESULT result = host->handle(*fw, window, message, wparam, lparam);
    --host->dispatching_;
    return result;
}

// `window` rather than the record's: messages arrive while the window is being made, before the
// record holds it.
LRESULT Win32Host::handle(FormWindow& fw, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            command(fw, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
            return 0;
        case kFillGrids:
            fw.fill_posted = false;
            fill_grids(fw);
            return 0;
        case WM_DPICHANGED:
            rescale(fw, HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            return 0;
        case WM_NOTIFY:
            return notify(fw, *reinterpret_cast<const NMHDR*>(lparam));
        case WM_CLOSE: {
            Form* form = fw.form;
            guarded([&] { form->user_close(); });
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            // Labels, check boxes and option buttons in the dialog's own colour, whatever the theme's.
            auto* dc = reinterpret_cast<HDC>(wparam);
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            ::SetTextColor(dc,
                           ::GetSysColor(::IsWindowEnabled(reinterpret_cast<HWND>(lparam)) ? COLOR_BTNTEXT
                                                                                           : COLOR_GRAYTEXT));
            wchar_t asking[16] = {};
            ::GetClassNameW(reinterpret_cast<HWND>(lparam), asking, 16);
            if (message == WM_CTLCOLORSTATIC && _wcsicmp(asking, L"Edit") == 0) {
                // A read-only text box asks as a static does; it keeps its own look.
                break;
            }
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_SIZE:
            if (wparam != SIZE_MINIMIZED) relayout(fw, LOWORD(lparam), HIWORD(lparam));
            // The person minimised, maximised or restored it: the form knows without an event.
            if (fw.updating == 0 &&
                (wparam == SIZE_MINIMIZED || wparam == SIZE_MAXIMIZED || wparam == SIZE_RESTORED)) {
                fw.form->window_state_changed(wparam == SIZE_MINIMIZED   ? WindowState::Minimized
                                              : wparam == SIZE_MAXIMIZED ? WindowState::Maximized
                                                                         : WindowState::Normal);
            }
            break;
        case WM_GETMINMAXINFO: {
            // A resizable dialog grows, but never below the size its layout was made for.
            RECT frame{0, 0, fw.design.cx, fw.design.cy};
            ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)), FALSE,
                                 static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)));
            auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
            info->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
            return 0;
        }
        default:
            break;
    }
    return ::DefDlgProcW(window, message, wparam, lparam);
}

void Win32Host::relayout(FormWindow& fw, int width, int height) {
    const int dx = std::max(0, width - static_cast<int>(fw.design.cx));
    const int dy = std::max(0, height - static_cast<int>(fw.design.cy));
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(fw.natives.size()) * 2);
    for (const auto& n : fw.natives) {
        if (n.place.anchors == anchor::kNone || n.window == nullptr) continue;
        const RECT place = fw.px(n);
        int x = place.left;
        int y = place.top;
        int w = place.right - place.left;
        int h = place.bottom - place.top;
        if ((n.place.anchors & anchor::kMoveX) != 0) x += dx;
        if ((n.place.anchors & anchor::kMoveY) != 0) y += dy;
        if ((n.place.anchors & anchor::kGrowX) != 0) w += dx;
        if ((n.place.anchors & anchor::kGrowY) != 0) h += dy;
        if (batch != nullptr)
            batch = ::DeferWindowPos(batch, n.window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        if (n.label != nullptr && batch != nullptr) {
            RECT label{};
            ::GetWindowRect(n.label, &label);
            const int lw = label.right - label.left;
            const int lx = n.place.label > 0 ? x - lw - fw.px_x(3) : x;
            const int ly = n.place.label > 0 ? y + fw.px_y(2) : y - fw.px_y(10);
            batch = ::DeferWindowPos(batch, n.label, nullptr, lx, ly, lw, label.bottom - label.top,
                                     SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (batch != nullptr) ::EndDeferWindowPos(batch);
}

void Win32Host::command(FormWindow& fw, WORD id, WORD code, HWND control) {
    Form* form = fw.form;
    if (id == IDCANCEL && control == nullptr) {
        // Esc, as the close box.
        guarded([&] { form->user_close(); });
        return;
    }
    const auto at = fw.by_id.find(id);
    if (at == fw.by_id.end() || fw.updating != 0) return;
    FormWindow::Native& n = fw.natives[at->second];
    Control* c = n.control;
    HWND w = n.window;
    if (w == nullptr || !c->usable()) return;
    // Only input the model took a user action for is answered with the model's state: the
    // notifications around it (EN_UPDATE, focus changes) come before the model knows of the input.
    bool acted = false;
    const auto act = [&](auto&& action) {
        acted = true;
        guarded(action);
    };
    switch (n.kind) {
        case Kind::Button:
            if (code == BN_CLICKED) act([&] { static_cast<forms::Button*>(c)->user_click(); });
            break;
        case Kind::CheckBox:
            if (code == BN_CLICKED) act([&] { static_cast<forms::CheckBox*>(c)->user_click(); });
            break;
        case Kind::Option:
            if (code == BN_CLICKED) act([&] { static_cast<forms::OptionButton*>(c)->user_click(); });
            break;
        case Kind::TextBox:
            if (code == EN_CHANGE) {
                auto* box = static_cast<forms::TextBox*>(c);
                const std::string typed = narrow(window_text(w));
                if (typed != box->Text()) act([&] { box->user_type(typed); });
            }
            break;
        case Kind::Combo: {
            auto* combo = static_cast<forms::ComboBox*>(c);
            if (code == CBN_SELCHANGE) {
                const auto picked = static_cast<std::int32_t>(::SendMessageW(w, CB_GETCURSEL, 0, 0));
                if (picked >= 0 && picked != combo->ListIndex()) act([&] { combo->user_select(picked); });
            } else if (code == CBN_EDITCHANGE) {
                const std::string typed = narrow(window_text(w));
                if (typed != combo->Text()) act([&] { combo->user_type(typed); });
            }
            break;
        }
        case Kind::List:
            if (code == LBN_SELCHANGE) {
                auto* list = static_cast<forms::ListBox*>(c);
                const auto picked = static_cast<std::int32_t>(::SendMessageW(w, LB_GETCURSEL, 0, 0));
                if (picked >= 0 && picked != list->ListIndex()) act([&] { list->user_select(picked); });
            }
            break;
        default:
            break;
    }
    // Whatever the model made of the input (it may refuse it), the control shows the model's state.
    if (acted && fw.form != nullptr && window_of(*fw.form) == &fw) {
        if (FormWindow::Native* again = fw.native(*c)) sync(fw, *again);
    }
}

LRESULT Win32Host::notify(FormWindow& fw, const NMHDR& header) {
    const auto at = fw.by_id.find(static_cast<int>(header.idFrom));
    if (at == fw.by_id.end()) return 0;
    FormWindow::Native& n = fw.natives[at->second];
    Control* c = n.control;
    if (n.kind == Kind::Grid && header.code == LVN_ITEMCHANGING && fw.updating == 0) {
        // Rows the person may not select (fixed ones) or a grid that is not usable refuse the change.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uNewState & LVIS_SELECTED) != 0 && !c->usable()) return TRUE;
        return 0;
    }
    if (n.kind == Kind::Grid && header.code == LVN_ITEMCHANGED && fw.updating == 0) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0 &&
            change.iItem >= 0) {
            auto* grid = static_cast<forms::Grid*>(c);
            const int row = change.iItem + std::min<int>(1, grid->FixedRows());
            if (row >= grid->FixedRows() && row != grid->Row()) guarded([&] { grid->user_select_row(row); });
            if (fw.form != nullptr && window_of(*fw.form) == &fw) select_grid_row(n);
        }
        return 0;
    }
    if (n.kind == Kind::Grid && header.code == LVN_GETDISPINFOW) {
        // The text of a cell the list is about to draw, or that its reader asks for, written into
        // the list's own buffer (the notification is the list's to fill; only its header is const).
        LVITEMW& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
        if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return 0;
        auto* grid = static_cast<forms::Grid*>(c);
        const int row = item.iItem + std::min<int>(1, grid->FixedRows());
        item.pszText[0] = L'\0';
        if (row < 0 || row >= grid->Rows() || item.iSubItem < 0 || item.iSubItem >= grid->Cols()) return 0;
        const std::wstring text = widen(grid->TextMatrix(row, item.iSubItem));
        wcsncpy_s(item.pszText, static_cast<std::size_t>(item.cchTextMax), text.c_str(), _TRUNCATE);
        return 0;
    }
    if (n.kind == Kind::Grid && header.code == LVN_COLUMNCLICK && fw.updating == 0) {
        // The header is the grid's fixed row: a click there makes it the current row, as a click on
        // the fixed row of the model's grid does (no data row is then selected).
        auto* grid = static_cast<forms::Grid*>(c);
        if (grid->FixedRows() > 0 && grid->Row() != 0 && c->usable())
            guarded([&] { grid->user_select_row(0); });
        if (fw.form != nullptr && window_of(*fw.form) == &fw) select_grid_row(n);
        return 0;
    }
    if (n.kind == Kind::Tabs && header.code == TCN_SELCHANGING) return c->usable() ? FALSE : TRUE;
    if (n.kind == Kind::Tabs && header.code == TCN_SELCHANGE && fw.updating == 0) {
        auto* tabs = static_cast<forms::TabContainer*>(c);
        const int picked = TabCtrl_GetCurSel(n.window);
        if (picked >= 0 && picked != tabs->CurrTab()) guarded([&] { tabs->user_select(picked); });
        if (fw.form != nullptr && window_of(*fw.form) == &fw) {
            apply(fw, n, Property::CurrentTab);
            sync_states(fw);
        }
    }
    return 0;
}

// --- Message boxes and the rest.

std::int32_t Win32Host::MsgBox(std::string_view prompt, std::int32_t style,
                               std::optional<std::string_view> title) {
    HWND owner = owner_for_new_window();
    const std::wstring text = widen(prompt);
    const std::wstring caption = widen(title.value_or(application_title_));
    // The style's numbers are the system's own: buttons, icon, default button, modality.
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), static_cast<UINT>(style) | MB_SETFOREGROUND);
}

void Win32Host::beep() {
    ::MessageBeep(MB_OK);
}

void Win32Host::bring_to_front(Form& form) {
    if (HWND window = window_of_form(form)) {
        ::SetForegroundWindow(window);
        ::BringWindowToTop(window);
    }
}

}  // namespace corvel::win32
