#pragma once
// windows.h as the platform layer includes it: lean, without min/max, and without the macro that
// would rename platform::PostThreadMessage to its ANSI twin.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef PostThreadMessage
