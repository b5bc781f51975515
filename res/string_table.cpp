#include "res/string_table.h"

#include "res/resource.h"

namespace res {

std::string_view LoadResString(int id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return "&About vantor1...";
    default:
      return {};
  }
}

}  // namespace res
