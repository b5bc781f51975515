#pragma once
#include <string>

namespace platform {

// Raises the bytes A-Z to a-z and leaves every other byte alone, whatever the locale: the one
// case folding of names that cross processes (player names, registered message names).
inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline void AsciiLowerInPlace(std::string& text) {
  for (char& c : text) {
    c = AsciiLower(c);
  }
}

}  // namespace platform
