#pragma once
#include <string_view>

// The server's prompt at the front of `line` ("fics% ", a timed "12:34_fics% ", several in a
// row) taken off; other lines come back as they are. The server writes its next output behind
// the prompt that ended the last, so a host that hands whole lines may leave it in front.
std::string_view StripPrompt(std::string_view line);
