#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text_pool.h"
#include "parse/message_texts.h"
#include "parse/pet_names.h"

namespace qorn::parse {

// The damage type of a pet's hits: Epic/Swarm when the pet's name holds the
// character's, else Pet.
sv TypeOf(sv petName, sv charName);

// What the first pass learns: the names of the character and its pets. Every
// piece of the second pass reads them; the texts live in the result's pool.
struct LogNames {
  LogNames(TextPool& pool, sv character);

  // One line that may hold a pet fragment. Its own message must be a name
  // and the fragment: a fragment quoted in another message names no pet.
  void AddPetName(sv line);

  void AddPet(sv name);

  TextPool& texts;
  sv charName;
  sv swarmName;
  std::string ownerTag;  // "(Owner: CHARACTER)"
  PetNames pets{kMinPetName};
  std::vector<sv> petTypes;  // by position in pets
  bool loneReturns = false;  // whether a carriage return alone ends a line
};

}  // namespace qorn::parse
