// Feeds arbitrary bytes into everything else a peer of the same user can write: a pipe's ring
// header and size through CIpcPipe's Open, Read and Write; the head, tail and flags of a thread
// queue's ring; the registered-message table; the headers of the named objects. The first byte
// chooses the object; nothing may crash, hang, read or write outside its memory, or return a
// result outside its contract.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/memory_objects.h"
#include "hostlink/ipc_pipe.h"
#include "hostlink/ring.h"
#include "platform/named_mutex.h"
#include "platform/posix/queue_ring.h"
#include "platform/posix/shared_lock.h"
#include "platform/posix/user_files.h"
#include "platform/registered_message.h"

namespace {

// The input, read front to back; zeros once it runs out.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Word() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      value = value << 8 | Byte();
    }
    return value;
  }
  void Fill(void* dest, std::size_t n) {
    auto* out = static_cast<std::uint8_t*>(dest);
    for (std::size_t i = 0; i < n; ++i) {
      out[i] = Byte();
    }
  }
  bool More() const { return at_ < size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void Check(bool holds) {
  if (!holds) {
    std::abort();
  }
}

// A lock word naming a live thread is a lock that thread holds, and a wait for it lasts as long:
// such words are cleared, leaving free locks and those of holders that are gone.
void FreeOrAbandoned(std::uint8_t* word) {
  std::uint32_t value = 0;
  std::memcpy(&value, word, sizeof value);
  const std::uint32_t holder = value & 0x7FFFFFFFu;
  if (holder != 0 && !platform::detail::ThreadGone(holder)) {
    std::memset(word, 0, sizeof value);
  }
}

// A pipe over memory of a fuzzed size, opened with a fuzzed ring size, its header rewritten
// between fuzzed reads and writes.
void FuzzPipe(Input& in) {
  testhost::MemoryObjects objects;
  objects.bytes.assign(in.Byte() + 1u, 0);
  CIpcPipe pipe(objects);
  const auto size = static_cast<std::int32_t>(in.Word() % 300) - 20;
  const bool opened = pipe.Open(static_cast<std::int32_t>(in.Byte()), size) == 1;
  Check(!opened || static_cast<std::size_t>(size) + kRingHeaderSize <= objects.bytes.size());
  std::vector<std::uint8_t> buffer(300);
  while (in.More()) {
    const std::uint8_t op = in.Byte();
    if (op % 3 == 0) {
      in.Fill(objects.bytes.data(), std::min<std::size_t>(kRingHeaderSize, objects.bytes.size()));
    } else if (op % 3 == 1) {
      const auto limit = static_cast<std::int32_t>(static_cast<std::int8_t>(in.Byte())) * 3;
      const std::int32_t n = pipe.Read(buffer.data(), limit);
      Check(n >= -1 && n < std::max(size, 1) && (limit < 0 || n <= limit));
    } else {
      const auto count = static_cast<std::int32_t>(in.Byte()) - 8;
      std::vector<char> text(static_cast<std::size_t>(std::max(count, 1)), 'x');
      text.back() = '\0';
      Check(pipe.Write(text.data(), count) <= 1);
    }
    Check(!objects.lock.owned);
  }
}

// A thread queue's block with fuzzed counters and flags, pushed to and taken from.
void FuzzQueue(Input& in) {
  using namespace platform::detail;
  static const int fd = [] {
    const int file = ::memfd_create("queue", MFD_CLOEXEC);
    Check(::ftruncate(file, sizeof(QueueBlock)) == 0 && HoldMark(file, kLifeMarkSlot));
    return file;
  }();
  static auto* block = static_cast<QueueBlock*>(
      ::mmap(nullptr, sizeof(QueueBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  static const int probe = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDWR);
  static SharedLock lock(&block->header.ringOwner);
  InitQueue(block, 1);
  QueueHeader& h = block->header;
  h.head = in.Word();
  h.tail = in.Word();
  h.closed = in.Byte() & 1;
  h.wakePending = in.Byte() & 1 ? in.Word() : 0;
  const QueueAccess access{block, &lock, probe, CallingThread()};
  while (in.More()) {
    const std::uint8_t op = in.Byte();
    if (op % 3 == 0) {
      (void)PushEntry(access, QueueEntry{op, 0, in.Word(), 0},
                      [&] { return op & 8 ? WakeResult::Sent : WakeResult::Failed; });
    } else if (op % 3 == 1) {
      (void)PopEntry(access);
    } else {
      (void)ClearWakePending(access);
    }
    Check(!lock.Held());
  }
}

// A lock word left naming a thread that is gone would name whatever thread takes up its id
// later: it is not left behind for the next input.
void ReleaseLockWord(int fd, off_t at) {
  const std::uint32_t free = 0;
  (void)!::pwrite(fd, &free, sizeof free, at);
}

// The user's registered-message table with fuzzed count and entries.
void FuzzTable(Input& in) {
  const std::string path = platform::detail::UserObjectPath("msgtable", "registered");
  (void)platform::RegisterMessage("Fuzz.Seed");  // the table exists and is mapped
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  Check(fd >= 0);
  std::uint8_t words[8];  // the count, then the lock word
  in.Fill(words, sizeof words);
  FreeOrAbandoned(words + 4);
  (void)!::pwrite(fd, words, sizeof words, 4);
  std::uint8_t entry[256];
  in.Fill(entry, sizeof entry);
  (void)!::pwrite(fd, entry, sizeof entry, 64 + 256 * static_cast<off_t>(in.Byte()));
  std::string name;
  while (in.More() && name.size() < 300) {
    name += static_cast<char>(in.Byte());
  }
  const std::uint32_t number = platform::RegisterMessage(name);
  Check(number == 0 || (number >= 0xC000 && number <= 0xFFFF));
  ReleaseLockWord(fd, 8);
  ::close(fd);
}

// A named mutex's file with fuzzed owner and magic words.
void FuzzMutexHeader(Input& in) {
  static auto created = platform::NamedMutex::Create("Fuzz.Mutex");
  const std::string path = platform::detail::UserObjectPath("mutex", "Fuzz.Mutex");
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  Check(fd >= 0);
  std::uint8_t bytes[8];
  in.Fill(bytes, sizeof bytes);
  FreeOrAbandoned(bytes);
  (void)!::pwrite(fd, bytes, in.Byte() & 1 ? 4 : 8, 0);
  if (auto opened = platform::NamedMutex::Open("Fuzz.Mutex")) {
    const platform::WaitResult result = opened->Wait();
    if (result == platform::WaitResult::Signalled || result == platform::WaitResult::Abandoned) {
      Check(opened->Release());
    }
  }
  ReleaseLockWord(fd, 0);
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A runtime directory of the fuzzer's own, so that the user's real table is never touched.
  static char dir[] = "/tmp/vantor1-fuzz.XXXXXX";
  Check(::mkdtemp(dir) != nullptr);
  ::setenv("XDG_RUNTIME_DIR", dir, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  switch (in.Byte() % 4) {
    case 0:
      FuzzPipe(in);
      break;
    case 1:
      FuzzQueue(in);
      break;
    case 2:
      FuzzTable(in);
      break;
    default:
      FuzzMutexHeader(in);
      break;
  }
  return 0;
}
