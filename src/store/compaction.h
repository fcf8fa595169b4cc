#pragma once

#include <string>

namespace qorn {

// Rewrites the database file into Temp.mdb beside it and puts that in its
// place by an atomic rename, so the old file is replaced, never deleted
// first. A symbolic link is followed: the file it names is compacted in its
// own folder, and the link stays. The file keeps its permissions and owner; a
// read-only file is left alone. Takes over a Temp.mdb left by an earlier
// failed run. Silent: false when any step failed, and then the database file
// is as it was.
bool CompactParseDatabase(const std::string& databasePath);

}  // namespace qorn
