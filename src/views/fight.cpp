#include "views/fight.h"

#include <sys/stat.h>

#include "common/error.h"
#include "store/database.h"

namespace qorn {

Database OpenForView(const std::string& databasePath) {
  struct stat info {};
  if (::stat(databasePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw Error("The parse database " + databasePath +
                " is missing. Run Get Log to read a log into it.");
  }
  return Database(databasePath);
}

}  // namespace qorn
