#pragma once

#include <string>

// Whether Name matches the wildcard Pattern as a search matches names: "*" any run of
// characters, "?" one character, case ignored; a byte that is not part of valid UTF-8 counts
// as a character of its own.
bool MatchesWildcard(const std::string& Pattern, const char* Name);
