#pragma once

#include <string_view>

namespace qorn {

// The check a character name passes before it is saved or given to the
// parser: at least one letter, and letters a-z and A-Z only. An empty name
// would make every "hit ... for N points of non-melee damage" line the
// character's own, and every pet a swarm pet.
bool IsCharacterName(std::string_view name);

}  // namespace qorn
