#include "store/compaction.h"

#include <cstdio>
#include <filesystem>

#include "store/database.h"
#include "store/jet_sql.h"
#include "store/program_folder.h"

namespace qorn {
namespace fs = std::filesystem;

bool CompactParseDatabase(const std::string& databasePath) {
  const fs::path db(databasePath);
  const std::string temp = InProgramFolder(db.parent_path().string(), kCompactionFile);
  std::error_code ec;
  if (!fs::is_regular_file(db, ec)) return false;
  fs::permissions(db, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (ec) return false;
  fs::remove(temp, ec);  // left over by an earlier failed run
  try {
    {
      Database source(databasePath);
      source.ExecuteNative("VACUUM INTO " + SqlQuote(temp));
    }
    fs::rename(temp, db);
    return true;
  } catch (const std::exception&) {
    fs::remove(temp, ec);
    return false;
  }
}

}  // namespace qorn
