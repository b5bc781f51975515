#pragma once
// Whether Qt will find a display, asked before QApplication exists: without one Qt aborts.
#include <optional>
#include <string>

namespace app {

// Why no display can be opened ("cannot open the display \":7\" (X11)"), or none when one can or
// the platform needs none (offscreen, minimal, ...).
std::optional<std::string> DisplayProblem();

}  // namespace app
