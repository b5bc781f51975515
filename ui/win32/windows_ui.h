#pragma once
// windows.h as the platform layer includes it, with the common controls and the shell's
// notification area, which need it first.
#include "platform/win32/windows_api.h"
// clang-format off
#include <commctrl.h>
#include <shellapi.h>
// clang-format on
