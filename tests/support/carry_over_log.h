#pragma once

#include <string>
#include <vector>

namespace qorn::test {

// A log of the character "Soandso" whose records depend on lines above them:
// buffs, the last DoT's mob for a Guardian hit, a fizzle or interrupt that
// changes the last cast, a pet named on the first line. It starts with a
// byte-order mark, has a carriage return on some lines and none behind the
// last. `lineStarts`, when given, gets the offset of each line.
std::string CarryOverLog(std::vector<long long>* lineStarts = nullptr);

}  // namespace qorn::test
