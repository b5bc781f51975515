#include "tools/hostsim/describe.h"

#include <cstdio>

namespace hostsim {

namespace {

bool IsOctalDigit(char c) {
  return c >= '0' && c <= '7';
}

}  // namespace

std::string CEscape(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    const bool octalNext = i + 1 < bytes.size() && IsOctalDigit(bytes[i + 1]);
    switch (c) {
      case '\n':
        out += "\\n";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '"':
        out += "\\\"";
        continue;
      case '\0':
        out += octalNext ? "\\000" : "\\0";
        continue;
      default:
        break;
    }
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", u);
      out += octal;
    } else {
      out += c;
    }
  }
  return out;
}

std::string DescribeReceived(const hostside::WireMessage& message) {
  std::string line = "< " + std::to_string(message.kind);
  if (message.IsValue()) {
    return line + " value " + std::to_string(message.Value());
  }
  return line + " text \"" + CEscape(message.Bytes()) + "\"";
}

}  // namespace hostsim
