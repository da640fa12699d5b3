#pragma once

// The scripted conversations of the dialogs, played against real windows: in the Windows test
// program of the conversations this header stands where the headless host's is, so that the
// conversations compile unchanged and their person presses real keys and clicks real controls.
#include "tests/win32/player/win32_player.h"

namespace corvel::forms {
using HeadlessHost = Win32Player;
}  // namespace corvel::forms
