#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Reads the server's answer to "=gnotify", the user's game-notification list, out of the server
// lines that the host hands over:
//   -- gnotify list: 3 names --
//   Bobby            Fredericksonabc  Maximilianusxyz
// The names stand in columns, two blanks or more apart, on as many rows as they need. The
// server's prompt may stand in front of a line, and a host that does not join wrapped lines
// hands a row's rest behind "\   ". Only the answer to a request of the program's own is read:
// a list that the user asks for in the chess client changes nothing.
class GnotifyListReader {
 public:
  // Lines inside an answer that are no row (a game notification, other text) before the reader
  // stops waiting for the rest.
  static constexpr int kMaxStrayLines = 8;
  // The most names read from one answer, whatever count its header gives.
  static constexpr std::int32_t kMaxNames = 1000;

  // Offered each name of the answer, lower-cased; true when it joined the list.
  using AddName = std::function<bool(const std::string& name)>;

  // "=gnotify" went out: the next header is its answer.
  void Expect();
  // One server line. Inside the answer, every valid name (IsValidFollowName) up to the header's
  // count is offered to add; other tokens are skipped. With the line that ends the answer (the
  // count reached, too many stray lines, or another header), how many names joined.
  std::optional<int> Read(std::string_view line, const AddName& add);

 private:
  enum class Stage { Idle, Expecting, Reading };

  std::optional<int> ReadRow(std::string_view text, const AddName& add);
  std::optional<int> End();

  Stage stage_ = Stage::Idle;
  std::int32_t namesLeft_ = 0;
  int strayLines_ = 0;
  int added_ = 0;
};
