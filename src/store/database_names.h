#pragma once

namespace qorn {

// The parse database in the program folder, and the file a whole Get Log
// builds beside it before it takes the stored one's place.
inline constexpr const char* kDatabaseFile = "QornDB.mdb";
inline constexpr const char* kCompactionFile = "Temp.mdb";

}  // namespace qorn
