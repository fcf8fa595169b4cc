#pragma once

// The texts of the game's messages that the parser reads, and where in a
// line they stand.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parse/byte_scan.h"

namespace qorn::parse {

using sv = std::string_view;
inline constexpr size_t npos = sv::npos;

// The grave accent is the game's apostrophe in pet names.
inline constexpr sv kPetSuffix = "`s pet";
inline constexpr sv kBodyMessage = "`s pet's body fills with energy.";
inline constexpr sv kGuardian = "Guardian of Blood Strike";
inline constexpr int32_t kGuardianDmg = 600;

// The message starts at 0-based index 27, behind the 26-character stamp and a blank.
inline constexpr size_t kMessageStart = 27;
inline constexpr size_t kCastSpellStart = 45;    // behind "You begin casting "
inline constexpr size_t kResistSpellStart = 52;  // behind "Your target resisted the "
inline constexpr size_t kResistTail = 59;        // stamp, fragment and " spell."

inline constexpr sv kPetFragments[] = {
    "says 'Waiting for your order to attack, Master.",
    "says 'Following you, Master.",
    "tells you, 'Attacking",
};
// Every line that holds one of the pet fragments holds one of these, and they
// are rare enough to search whole blocks for. The anchor is the second byte
// that the search filters on: "'Attacking" is anchored on its "k", as its
// last byte would let every "'Following" through.
inline constexpr Needle kPetNeedles[] = {{"Master.", 6}, {"'Attacking", 6}};

// The messages that the buff, death and cast tests look for behind "] ".
inline constexpr sv kSlain = "You have been slain";
inline constexpr sv kCpowerOn = "Quivering power pulses through your hands.";
inline constexpr sv kCpowerOff = "The power fades away.";
inline constexpr sv kCoaOn = "Vile energy flows through your veins.";
inline constexpr sv kCoaOff = "The vile power fades.";
inline constexpr sv kIntenOn = "Your mind sharpens and strength flows into your body.";
inline constexpr sv kIntenOff = "Your intensity fades.";
inline constexpr sv kFizzle = "Your spell fizzles";
inline constexpr sv kInterrupt = "Your spell is interrupted";
inline constexpr sv kCast = "You begin casting ";
inline constexpr sv kResist = "Your target resisted the ";
inline constexpr sv kYouHit = "You hit ";  // the character's direct damage on the current client
inline constexpr sv kTaggedMessages[] = {kSlain,     kCpowerOn, kCpowerOff, kCoaOn,
                                         kCoaOff,    kIntenOn,  kIntenOff,  kFizzle,
                                         kInterrupt, kCast,     kResist,    kYouHit};

// The current client's messages about the character's own spells, which name
// the spell: "Your SPELL spell fizzles!", "Your SPELL spell is interrupted.",
// "MOB resisted your SPELL!".
inline constexpr sv kYour = "Your ";
inline constexpr sv kSpellFizzles = " spell fizzles!";
inline constexpr sv kSpellInterrupted = " spell is interrupted.";
inline constexpr sv kResistedYour = " resisted your ";

// The damage types of "You hit MOB for N points of TYPE damage by SPELL.".
inline constexpr sv kSpellDamageTypes[] = {"magic",      "fire",      "cold",
                                           "poison",     "disease",   "chromatic",
                                           "corruption", "prismatic", "physical"};

// Emulated servers name a pet with its owner: "NAME (Owner: CHARACTER) hits ...".
inline constexpr sv kOwnerTag = " (Owner: ";
inline constexpr size_t kMaxPetName = 64;

// How the character names itself as a target: a hit on these is damage taken.
inline constexpr sv kSelves[] = {"yourself", "himself", "herself", "itself"};

// Names of three characters or fewer never match.
inline constexpr size_t kMinPetName = 4;

// A target or a DoT's source longer than this is no name but several
// messages run together.
inline constexpr size_t kMaxTarget = 200;

}  // namespace qorn::parse
