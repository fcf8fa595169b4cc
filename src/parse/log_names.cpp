#include "parse/log_names.h"

#include <algorithm>
#include <iterator>

#include "parse/line_text.h"
#include "parse/records.h"

namespace qorn::parse {

sv TypeOf(sv petName, sv charName) { return petName.find(charName) != npos ? kEpicSwarm : kPet; }

LogNames::LogNames(TextPool& pool, sv character) : texts(pool) {
  charName = texts.Intern(character);
  swarmName = texts.Intern(std::string(character) + std::string(kPetSuffix));
  ownerTag = "(Owner: " + std::string(character) + ")";
}

void LogNames::AddPetName(sv line) {
  if (line.size() <= kMessageStart) return;
  const size_t blank = line.find(' ', kMessageStart);
  if (blank == npos || blank == kMessageStart) return;
  const sv rest = line.substr(blank + 1);
  if (std::none_of(std::begin(kPetFragments), std::end(kPetFragments),
                   [rest](sv fragment) { return StartsWith(rest, fragment); })) {
    return;
  }
  AddPet(line.substr(kMessageStart, blank - kMessageStart));
}

void LogNames::AddPet(sv name) {
  if (pets.Add(texts.Intern(name)) == petTypes.size()) petTypes.push_back(TypeOf(name, charName));
}

}  // namespace qorn::parse
