#pragma once
#include <cstdint>
#include <optional>

namespace hostside {

// Which way a pipe carries bytes. Odd indexes carry the host's messages to the program (the
// program's read end), even indexes the program's messages to the host (its write end).
enum class PipeEnd { ToProgram, ToHost };

// The one scheme by which a host numbers its pipes: from an even base, the n-th pipe to the
// program is base + 2n - 1 and the n-th to the host base + 2n, n from 1 to kPipesPerEnd.
// Hosts alive at the same time use distinct bases, so that their named objects never meet.
class PipeIndexes {
 public:
  static constexpr int kPipesPerEnd = 499;

  explicit PipeIndexes(std::int32_t base) : base_(base) {}
  std::int32_t Base() const { return base_; }
  // The next index of that direction; none when the block is used up or would pass INT32_MAX.
  std::optional<std::int32_t> Next(PipeEnd end);

 private:
  std::int32_t base_;
  int toProgram_ = 0;
  int toHost_ = 0;
};

// An even base of a block of 1,000 indexes derived from the process id, so that processes
// alive at the same time never share a block. Below INT32_MAX.
std::int32_t PrivateIndexBase();
// The indexes of this process's private block, shared by everything in it that plays the host.
PipeIndexes& ProcessPipeIndexes();

}  // namespace hostside
