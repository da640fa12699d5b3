#pragma once

#include "seams/message_box.h"
#include "seams/screen.h"
#include "seams/window_handle.h"
#include "ui/forms/control.h"
#include "ui/forms/form.h"

namespace corvel::forms {

// What shows dialogs to a person: it gives each loaded form a window, draws the controls and follows
// their changes, runs the modal display and turns the person's input into the controls' user actions
// (`user_click`, `user_type`, ...). The headless host plays a scripted person instead; a windowing
// host binds the same models to real windows. Message boxes, the beep and the foreground request go
// through the host too, so a whole conversation passes one place.
class Host : public MessageBoxes {
  public:
    ~Host() override = default;

    virtual WindowHandle create_window(Form& form) = 0;
    virtual void destroy_window(Form& form) = 0;
    virtual void show_window(Form& form, bool visible) = 0;
    // Returns when `form` is hidden or unloaded.
    virtual void run_modal(Form& form) = 0;

    // A control's or form's state changed. Changes arrive from the moment a control exists, also
    // while its form has no window yet; a host draws them once the form is loaded.
    virtual void changed(Control& control, Property what) = 0;
    virtual void changed(Form& form, FormProperty what) = 0;

    virtual void beep() = 0;
    // Makes the form the foreground window and brings it to the front.
    virtual void bring_to_front(Form& form) = 0;
    // The screen the forms' windows are placed on.
    virtual Screen& screen() = 0;
};

}  // namespace corvel::forms
