#pragma once
#include <string>
#include <string_view>

#include "hostside/wire.h"

namespace hostsim {

// C escapes: \n \t \r \\ \" by name, NUL as \0 (\000 before an octal digit), every other byte
// outside 0x20..0x7E as three octal digits, so the output reads back unambiguously.
std::string CEscape(std::string_view bytes);
// "< KIND value N" for kinds 4 to 6 with two payload bytes, else "< KIND text "...""
// with the whole payload escaped.
std::string DescribeReceived(const hostside::WireMessage& message);

}  // namespace hostsim
