#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/forms/form.h"
#include "ui/services/untrappable.h"

namespace corvel::forms {

// The script and the dialogs disagreed. It passes every procedure trap, so it reaches the test.
class ScriptMismatch : public std::logic_error, public Untrappable {
  public:
    using std::logic_error::logic_error;
};

// The scripted person of a conversation: one list of steps for the whole of it. Both players, the
// headless host and the one on real windows, take their steps from here, so a conversation written
// once plays on either. Each step returns the player, so a conversation reads as one chain.
//
// A step names a control ("ButAdd") or a control of a named dialog ("frmModifyList.ButAdd"); the
// dialog must be the one shown.
template <class Player>
class Script {
  public:
    struct ShownMessage {
        std::string prompt;
        std::int32_t style = 0;
        std::string title;
    };

    Player& click(std::string target) { return add_targeted(Kind::Click, std::move(target), "", 0); }
    Player& type(std::string target, std::string text) {
        return add_targeted(Kind::Type, std::move(target), std::move(text), 0);
    }
    // Picks an item of a list or drop-down list, or a tab, by index or by its text.
    Player& select(std::string target, std::int32_t index) {
        return add_targeted(Kind::SelectIndex, std::move(target), "", index);
    }
    Player& select(std::string target, std::string item) {
        return add_targeted(Kind::SelectItem, std::move(target), std::move(item), 0);
    }
    Player& select_row(std::string target, std::int32_t row) {
        return add_targeted(Kind::SelectRow, std::move(target), "", row);
    }
    // The close box of the shown dialog (or of the named one, which must be the one shown).
    Player& close_box(std::string form = "") { return add_for_form(Kind::CloseBox, std::move(form)); }
    // The user minimises, maximises or restores the shown dialog.
    Player& window_state(corvel::WindowState state, std::string form = "") {
        Step step = for_form(Kind::WindowState, std::move(form));
        step.number = static_cast<std::int32_t>(state);
        return add(std::move(step));
    }
    // Runs `check` against the shown dialog at this point of the conversation (for the test's own
    // expectations on what the person sees).
    Player& inspect(std::function<void(Form&)> check, std::string form = "") {
        Step step = for_form(Kind::Inspect, std::move(form));
        step.check = std::move(check);
        return add(std::move(step));
    }
    // The next message box must show exactly this prompt, style (buttons + icon) and title; the
    // person answers `answer`.
    Player& message(std::string prompt, std::int32_t style, std::string title, std::int32_t answer) {
        Step step = for_form(Kind::Message, "");
        step.expected = ShownMessage{std::move(prompt), style, std::move(title)};
        step.number = answer;
        return add(std::move(step));
    }
    // The next message box, whatever it shows, is answered `answer`.
    Player& answer(std::int32_t answer) {
        Step step = for_form(Kind::Message, "");
        step.number = answer;
        return add(std::move(step));
    }
    // The named dialog's modal display has ended at this point.
    Player& expect_hidden(std::string form) { return add_for_form(Kind::ExpectHidden, std::move(form)); }

    std::size_t steps_left() const noexcept { return steps_.size() - next_; }

  protected:
    enum class Kind {
        Click,
        Type,
        SelectIndex,
        SelectItem,
        SelectRow,
        CloseBox,
        WindowState,
        Inspect,
        Message,
        ExpectHidden
    };
    struct Step {
        Kind kind = Kind::Click;
        std::string form;
        std::string control;
        std::string text;
        std::int32_t number = 0;
        std::optional<ShownMessage> expected;
        std::function<void(Form&)> check;
    };

    Script() = default;
    ~Script() = default;

    std::vector<Step> steps_;
    // The step played next; a player may move on while it answers a const question.
    mutable std::size_t next_ = 0;

  private:
    static Step for_form(Kind kind, std::string form) {
        Step step;
        step.kind = kind;
        step.form = std::move(form);
        return step;
    }
    Player& add(Step step) {
        steps_.push_back(std::move(step));
        return static_cast<Player&>(*this);
    }
    Player& add_for_form(Kind kind, std::string form) { return add(for_form(kind, std::move(form))); }
    Player& add_targeted(Kind kind, std::string target, std::string text, std::int32_t number) {
        Step step;
        step.kind = kind;
        const std::size_t dot = target.find('.');
        if (dot != std::string::npos) {
            step.form = target.substr(0, dot);
            target.erase(0, dot + 1);
        }
        step.control = std::move(target);
        step.text = std::move(text);
        step.number = number;
        return add(std::move(step));
    }
};

}  // namespace corvel::forms
