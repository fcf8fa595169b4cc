#pragma once

#include <string>

#include "export/csv_export.h"
#include "views/buff_value.h"
#include "views/fight.h"

namespace qorn {

// One of the exported lists as the window fills it for `fight` from the
// stored parse, through the same core function, every column included: the
// overview (all fights; `fight` unused), the DoT breakdown, the DoT ticks,
// the detail report with or without `petDetail`, or Buff Value or DoT Uptime
// of the fight.
// Throws qorn::Error.
ListContents StoredList(CsvList list, const std::string& databasePath, const Fight& fight,
                        bool petDetail);

// The DoT Uptime list of `scope` (a fight or every stored fight, each with
// its own columns), as the window fills it. Throws qorn::Error.
ListContents StoredDotUptime(const std::string& databasePath, const BuffScope& scope);

// The Buff Value list of `scope` (a fight or every stored fight), as the
// window fills it. Throws qorn::Error.
ListContents StoredBuffValue(const std::string& databasePath, const BuffScope& scope);

}  // namespace qorn
