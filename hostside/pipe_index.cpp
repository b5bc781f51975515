#include "hostside/pipe_index.h"

#include <unistd.h>

#include <limits>

namespace hostside {

std::optional<std::int32_t> PipeIndexes::Next(PipeEnd end) {
  const bool toProgram = end == PipeEnd::ToProgram;
  int& count = toProgram ? toProgram_ : toHost_;
  const std::int64_t n = count + 1;
  const std::int64_t index = base_ + 2 * n - (toProgram ? 1 : 0);
  if (n > kPipesPerEnd || index > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  count = static_cast<int>(n);
  return static_cast<std::int32_t>(index);
}

std::int32_t PrivateIndexBase() {
  return static_cast<std::int32_t>(getpid() % 2000000) * 1000;
}

PipeIndexes& ProcessPipeIndexes() {
  static PipeIndexes indexes(PrivateIndexBase());
  return indexes;
}

}  // namespace hostside
