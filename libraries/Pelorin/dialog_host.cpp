#include "libraries/Pelorin/dialog_host.h"

#include <stdexcept>

namespace corvel::pelorin {

namespace {
// Until the library has its windowing host, a dialog asked for fails at once, and the member that asked
// reports its component failure, rather than waiting for a person who cannot see anything.
class NoWindows final : public forms::Host {
  public:
    WindowHandle create_window(forms::Form&) override { throw refused(); }
    void destroy_window(forms::Form&) override {}
    void show_window(forms::Form&, bool) override {}
    void run_modal(forms::Form&) override { throw refused(); }
    void changed(forms::Control&, forms::Property) override {}
    void changed(forms::Form&, forms::FormProperty) override {}
    void beep() override {}
    void bring_to_front(forms::Form&) override {}
    Screen& screen() override { throw refused(); }
    std::int32_t MsgBox(std::string_view, std::int32_t, std::optional<std::string_view>) override {
        throw refused();
    }

  private:
    static std::runtime_error refused() { return std::runtime_error("this build shows no windows"); }
};
}  // namespace

std::shared_ptr<forms::Host> make_dialog_host(HMODULE) {
    return std::make_shared<NoWindows>();
}

void own_dialogs(forms::Host&, HWND) {}

}  // namespace corvel::pelorin
