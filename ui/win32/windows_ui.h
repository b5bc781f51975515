#pragma once
// windows.h with the common controls and the shell's notification area, as the native face
// includes them: lean, and without min/max.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// clang-format off: commctrl.h and shellapi.h need windows.h first.
#include <commctrl.h>
#include <shellapi.h>
// clang-format on
#undef PostThreadMessage
