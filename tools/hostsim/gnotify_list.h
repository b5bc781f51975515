#pragma once
#include <string>
#include <vector>

namespace hostsim {

// The server's answer to "=gnotify", one entry a line without its line end: the header
// "-- gnotify list: N names --", then the names sorted without regard to case, down the columns
// and then across, each column two wider than the longest name, as many columns as fit in 78,
// every name but a row's last column padded to the full width. With no names one empty line
// follows the header.
std::vector<std::string> GnotifyListLines(std::vector<std::string> names);

}  // namespace hostsim
