#include "watcher/calendar_clock.h"

#include <ctime>
#include <utility>

namespace {

std::function<std::int64_t()>& ClockOverride() {
  static std::function<std::int64_t()> clock;
  return clock;
}

}  // namespace

std::int64_t CalendarSeconds() {
  if (const auto& clock = ClockOverride()) {
    return clock();
  }
  return static_cast<std::int64_t>(std::time(nullptr));
}

void SetCalendarClockForTesting(std::function<std::int64_t()> clock) {
  ClockOverride() = std::move(clock);
}
