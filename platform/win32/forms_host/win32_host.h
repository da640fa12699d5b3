#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "ui/forms/host.h"

namespace corvel::win32 {

// The resource id of the manifest that asks for common controls 6 (visual styles). A DLL cannot rely
// on the host process's manifest, so the module carries its own under this id (the id Windows itself
// uses for a DLL's isolation manifest) and the host activates it around every window it creates.
inline constexpr int kFormsManifestResourceId = 2;

// Reads and applies the placement of real windows for the forms' placement store.
class Win32Screen final : public Screen {
  public:
    bool get_window_placement(WindowHandle window, WindowPlacement& placement) override;
    bool set_window_placement(WindowHandle window, const WindowPlacement& placement) override;
    WindowHandle desktop_window() override;
};

// The windowing host: every loaded form gets a top-level window of its own with a native control per
// model control, laid out in dialog units, and both follow each other — a model change redraws the
// control at once, user input raises the model's user action exactly as the headless host does.
// Modal displays disable the window below (the owner for the first, the dialog below for nested ones)
// and enable and activate it again on every way out.
class Win32Host final : public forms::Host {
  public:
    // module: the HINSTANCE whose window classes/resources/manifest the dialogs use (a DLL's own).
    // owner: the window disabled while a dialog runs (may be null).
    Win32Host(HINSTANCE module, HWND owner);
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    void set_owner(HWND owner);
    HWND owner() const noexcept { return owner_; }
    // The title of message boxes shown without one.
    void set_application_title(std::string_view title) { application_title_ = title; }

    // The native window showing a control of a loaded form (null for one without a window of its own,
    // such as a frame without a caption).
    HWND control_window(const forms::Control& control) const;
    // The model control a native window shows, or null.
    forms::Control* control_of(HWND window) const;
    // The field label the host draws for a control from its tooltip, or null.
    HWND label_window(const forms::Control& control) const;
    // The form of a window this host made, or null.
    forms::Form* form_of(HWND window) const;
    // The window of a loaded form, or null.
    HWND window_of_form(const forms::Form& form) const;
    // The innermost form whose modal display runs, or null.
    forms::Form* modal_form() const noexcept { return modal_.empty() ? nullptr : modal_.back(); }
    // The pixels per inch the forms are laid out for (the system's, unless forced by `set_dpi`).
    int dpi() const noexcept { return dpi_; }
    // Lays later windows out for this DPI (0: the system's), so a test can check other densities.
    void set_dpi(int dpi);

    // --- forms::Host
    std::int32_t MsgBox(std::string_view prompt, std::int32_t style,
                        std::optional<std::string_view> title = std::nullopt) override;
    WindowHandle create_window(forms::Form& form) override;
    void destroy_window(forms::Form& form) override;
    void show_window(forms::Form& form, bool visible) override;
    void run_modal(forms::Form& form) override;
    void changed(forms::Control& control, forms::Property what) override;
    void changed(forms::Form& form, forms::FormProperty what) override;
    void beep() override;
    void bring_to_front(forms::Form& form) override;
    Screen& screen() override { return screen_; }

    struct FormWindow;

  private:
    struct NativeControl;
    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(FormWindow& fw, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void command(FormWindow& fw, WORD id, WORD code, HWND control);
    LRESULT notify(FormWindow& fw, const NMHDR& header);
    // Keys the dialog manager does not handle as a Windows user expects (arrows in option groups).
    bool pre_translate(MSG& message);
    FormWindow* window_of(const forms::Form& form) const;
    HWND owner_for_new_window() const;
    void reorder(FormWindow& fw);
    void relayout(FormWindow& fw, int width, int height);
    void focus_initial(FormWindow& fw);
    void centre(HWND window, const RECT& outer);
    void release_below(FormWindow& fw);
    void wake();
    void sync(FormWindow& fw, NativeControl& native);
    void sync_states(FormWindow& fw);
    void apply(FormWindow& fw, NativeControl& native, forms::Property what);
    void make_font(FormWindow& fw, int dpi);
    void rescale(FormWindow& fw, int dpi, const RECT& suggested);
    void fill_grids(FormWindow& fw);
    void fill_grid(FormWindow& fw, NativeControl& native);
    void select_grid_row(NativeControl& native);
    // Runs a model action from a window message; what it throws ends the modal loops and is thrown
    // again by `run_modal`, since nothing may unwind through the system's frames.
    template <class Action>
    void guarded(Action&& action);

    HINSTANCE module_;
    HWND owner_;
    std::wstring class_name_;
    ATOM class_atom_ = 0;
    unique_actctx activation_context_;
    // The theme library, to draw tab controls in the dialog's colour (null without themes).
    unique_module themes_;
    std::string application_title_ = "Microsoft Excel";
    int dpi_ = 96;
    int forced_dpi_ = 0;
    Win32Screen screen_;
    std::map<const forms::Form*, std::unique_ptr<FormWindow>> windows_;
    // Windows of unloaded forms, kept until no message of theirs is being handled.
    std::vector<std::unique_ptr<FormWindow>> retired_;
    std::vector<forms::Form*> modal_;
    int dispatching_ = 0;
    std::exception_ptr pending_;
};

}  // namespace corvel::win32
