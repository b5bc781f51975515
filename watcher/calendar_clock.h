#pragma once
#include <cstdint>
#include <functional>

// The calendar time in whole seconds since 1 January 1970, as the per-second board claim reads
// it. Tests replace the source so that seconds pass when they say.

std::int64_t CalendarSeconds();

// Replaces the source of CalendarSeconds(); an empty function restores the system clock.
// Not thread-safe: set it before the code under test runs.
void SetCalendarClockForTesting(std::function<std::int64_t()> clock);
