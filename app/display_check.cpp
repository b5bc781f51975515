#include "app/display_check.h"

#include <sys/stat.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

namespace app {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::optional<std::string> X11Problem() {
  const std::string display = Env("DISPLAY");
  if (display.empty()) {
    return "cannot open the display: DISPLAY is not set (X11)";
  }
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  const bool failed = xcb_connection_has_error(connection) != 0;
  xcb_disconnect(connection);
  if (failed) {
    return "cannot open the display \"" + display + "\" (X11)";
  }
  return std::nullopt;
}

std::optional<std::string> WaylandProblem() {
  const std::string display = Env("WAYLAND_DISPLAY");
  const std::string socket =
      display.starts_with('/') ? display : Env("XDG_RUNTIME_DIR") + "/" + display;
  struct stat info {};
  if (display.empty() || stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) {
    return "cannot open the display \"" + display + "\" (Wayland)";
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> DisplayProblem() {
  // Qt's own choice: QT_QPA_PLATFORM ("name:options", or "a;b" to try in turn), else Wayland
  // in a Wayland session and X11 otherwise. Only the first is judged, and only a display one.
  const std::string platforms = Env("QT_QPA_PLATFORM");
  const std::string_view first =
      std::string_view(platforms).substr(0, platforms.find_first_of(":;"));
  if (first == "xcb") {
    return X11Problem();
  }
  if (first == "wayland") {
    return WaylandProblem();
  }
  if (!first.empty()) {
    return std::nullopt;  // offscreen, minimal, vnc, ...: no display to open
  }
  if (Env("XDG_SESSION_TYPE") == "wayland" && !WaylandProblem()) {
    return std::nullopt;
  }
  return X11Problem();
}

}  // namespace app
