// What a real host relies on, written out as the host sees it: the names of its kernel objects,
// the names of its registered messages, the view's header and the registration bytes. Every
// expected value here is a literal: one built with the program's own builders would agree with
// any mistake in them, and hostsim and the other tests build both ends with those builders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/host_session.h"
#include "hostlink/ipc_pipe.h"
#include "platform/file_mapping.h"
#include "platform/named_mutex.h"
#include "platform/registered_message.h"
#include "platform/thread_id.h"
#include "tests/hostlink/test_host.h"
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kRing = 16384;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The registration as the host reads it: 1,404 messages, 8,433 bytes.
Bytes Registration() {
  Bytes b = {1, 0, 11, 0, 'v', 'a', 'n', 't', 'o', 'r', '2', '0', '0', '8', 0, 4, 0, 2, 0, 1, 0};
  for (int value = 100; value <= 1499; ++value) {
    b.insert(b.end(),
             {5, 0, 2, 0, static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
  }
  b.insert(b.end(), {6, 0, 2, 0, 43, 0, 6, 0, 2, 0, 0, 0});
  return b;
}

#ifndef _WIN32
// The POSIX stand-ins live in "$XDG_RUNTIME_DIR/vantor1"; the test points that at a fresh
// directory of its own, so that the paths below are literal too, and puts the old value back.
class RuntimeDir {
 public:
  RuntimeDir() {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    old_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    char pattern[] = "/tmp/vantor-contract-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) {
      path_ = pattern;
      ::setenv("XDG_RUNTIME_DIR", pattern, 1);
    }
  }
  ~RuntimeDir() {
    old_ ? ::setenv("XDG_RUNTIME_DIR", old_->c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
    ::rmdir((path_ + "/vantor1").c_str());
    ::rmdir(path_.c_str());
  }
  RuntimeDir(const RuntimeDir&) = delete;
  RuntimeDir& operator=(const RuntimeDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::optional<std::string> old_;
  std::string path_;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}
#endif

TEST(HostContract, ObjectNamesMessageNamesAndRegistrationAreTheHostsOwn) {
  EXPECT_NE(IpcNewPipeMessage(), 0u);
  EXPECT_EQ(IpcNewPipeMessage(), platform::RegisterMessage("IPCNewPipe"));
  EXPECT_NE(IpcDataReadyMessage(), 0u);
  EXPECT_EQ(IpcDataReadyMessage(), platform::RegisterMessage("IPCDataReady"));

#ifndef _WIN32
  const RuntimeDir dir;
  ASSERT_FALSE(dir.Path().empty());
#endif
  // The host makes the objects under its own names; the program must find them.
  const std::int32_t readIndex = UnusedIndex(PipeEnd::ToProgram);
  const std::int32_t writeIndex = UnusedIndex(PipeEnd::ToHost);
  const std::string read = std::to_string(readIndex), write = std::to_string(writeIndex);
  const auto readMutex = platform::NamedMutex::Create("Corvane2.IPCMutex" + read);
  const auto readMapping = platform::FileMapping::Create("Corvane2.IPCFileMapping" + read, 12 + 64);
  const auto writeMutex = platform::NamedMutex::Create("Corvane2.IPCMutex" + write);
  const auto writeMapping =
      platform::FileMapping::Create("Corvane2.IPCFileMapping" + write, 12 + kRing);
  ASSERT_TRUE(readMutex && readMapping && writeMutex && writeMapping);
#ifndef _WIN32
  for (const std::string& file :
       {"mutex.Corvane2.IPCMutex" + read, "map.Corvane2.IPCFileMapping" + read,
        "mutex.Corvane2.IPCMutex" + write, "map.Corvane2.IPCFileMapping" + write}) {
    EXPECT_TRUE(Exists(dir.Path() + "/vantor1/" + file)) << file;
  }
#endif
  const auto readView = readMapping->MapView(12 + 64);
  const auto writeView = writeMapping->MapView(12 + kRing);
  ASSERT_TRUE(readView && writeView);

  ASSERT_EQ(HandleNewPipe(static_cast<platform::WParam>(readIndex), 64), NewPipeResult::ReadOpened);
  EXPECT_EQ(Le32(readView->Data()), platform::CurrentThreadId()) << "reader's thread at offset 0";
  EXPECT_EQ(Le32(readView->Data() + 8), 0u) << "the read end is the host's to write";
  ASSERT_EQ(HandleNewPipe(static_cast<platform::WParam>(writeIndex), kRing),
            NewPipeResult::WriteOpened);
  const std::uint8_t* header = writeView->Data();
  EXPECT_EQ(Le32(header + 4), 0u) << "readIndex is the host's to move";
  const Bytes expected = Registration();
  ASSERT_EQ(expected.size(), 8433u);
  EXPECT_EQ(Bytes(expected.begin() + 8415, expected.begin() + 8421),
            (Bytes{5, 0, 2, 0, 0xDB, 0x05}));
  ASSERT_EQ(Le32(header + 8), expected.size()) << "writeIndex after the registration";
  EXPECT_EQ(Bytes(header + 12, header + 12 + expected.size()), expected);
}

}  // namespace
