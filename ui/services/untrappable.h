#pragma once

#include <exception>

namespace corvel {

// Marks a failure of the machinery around a procedure rather than of the procedure itself: a test
// host whose script disagrees with the dialog, for example. Procedure traps and "failures ignored"
// blocks let such an exception pass untouched, so it reaches whoever runs the conversation.
class Untrappable {
  public:
    virtual ~Untrappable() = default;
};

// Runs `step` and ignores its failure, for the places whose failures matter to nobody (a beep that
// cannot sound); untrappable failures still pass.
template <class Step>
void ignoring_failures(Step&& step) {
    try {
        step();
    } catch (const Untrappable&) {
        throw;
    } catch (const std::exception&) {
    }
}

}  // namespace corvel
