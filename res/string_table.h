#pragma once
#include <string_view>

namespace res {

// The text of string resource id; empty when there is none.
std::string_view LoadResString(int id);

}  // namespace res
