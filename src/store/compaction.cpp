#include "store/compaction.h"

#include <filesystem>

#include "store/database.h"
#include "store/database_file.h"
#include "store/jet_sql.h"

namespace qorn {

bool CompactParseDatabase(const std::string& databasePath) {
  try {
    const std::string path = ResolveDatabasePath(databasePath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    RequireWritableDatabase(path);
    ReplacementFile compacted(path);
    {
      Database source(path, OpenMode::kExisting);
      source.ExecuteNative("VACUUM INTO " + SqlQuote(compacted.Path()));
    }
    compacted.Replace();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace qorn
