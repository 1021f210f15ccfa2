#pragma once

#include <string>
#include <utility>
#include <vector>

namespace explorer {

// The page's address's parameters, in order, percent-decoded as the browser decodes them
// (a bare "+" is a space); any byte may be in a value. Read once, in time proportional to the
// address's length.
std::vector<std::pair<std::string, std::string>> addressParameters();

}  // namespace explorer
