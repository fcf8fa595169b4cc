#pragma once

#include <optional>
#include <string>

#include "cli/cli_args.h"

namespace qorn {

// qorn-cli graph EVENT dot|all [--png FILE [--size WxH]]: prints the grid of
// a stored fight's graph and, with --png, draws it into a picture. Returns
// the exit code; throws UsageError or qorn::Error.
int RunGraphCommand(const Args& args, const std::optional<std::string>& home);

}  // namespace qorn
