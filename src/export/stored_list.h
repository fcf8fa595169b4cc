#pragma once

#include <string>

#include "export/csv_export.h"
#include "views/fight.h"

namespace qorn {

// One of the four exported lists as the window fills it for `fight` from the
// stored parse, through the same core function, every column included: the
// overview (all fights; `fight` unused), the DoT breakdown, the DoT ticks, or
// the detail report with or without `petDetail`. Throws qorn::Error.
ListContents StoredList(CsvList list, const std::string& databasePath, const Fight& fight,
                        bool petDetail);

}  // namespace qorn
