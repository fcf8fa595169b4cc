#pragma once

#include <string>
#include <string_view>

namespace qorn {

// The check a character name passes before it is saved or given to the
// parser: at least one letter, and letters a-z and A-Z only. An empty name
// would make every "hit ... for N points of non-melee damage" line the
// character's own, and every pet a swarm pet.
bool IsCharacterName(std::string_view name);

// A name as the game writes it in the log: the first letter upper case, the
// rest lower case ("qornek" and "QORNEK" are "Qornek"). The parser matches the
// name byte for byte, so a name typed in another case would find none of the
// character's direct damage nor its swarm pets.
std::string GameName(std::string_view name);

}  // namespace qorn
