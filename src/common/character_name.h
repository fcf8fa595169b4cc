#pragma once

#include <optional>
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

// The character a log file's name names: the game writes each character's
// log as eqlog_<Character>_<server>.txt. Given as the game writes the name;
// nullopt for a file named otherwise (any folder before it aside).
std::optional<std::string> LogFileCharacter(std::string_view path);

// The character the log's file name names when it is another than `name`
// (case aside): read under `name`, such a log gives its DoT ticks and pets
// but none of the character's direct damage. nullopt when the names agree
// or the file's name names no character.
std::optional<std::string> OtherCharacterOfLog(std::string_view path, std::string_view name);

}  // namespace qorn
