#include "cli/cli_args.h"

namespace qorn {

Args ReadArgs(int argc, char** argv, int first, const std::vector<std::string>& valueOptions,
              const std::vector<std::string>& flagOptions) {
  Args args;
  for (int i = first; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.starts_with("--")) {
      bool known = false;
      for (const auto& opt : valueOptions) {
        if (word == opt) {
          if (i + 1 >= argc) throw UsageError{word + " needs a value"};
          args.values[word] = argv[++i];
          known = true;
        }
      }
      for (const auto& opt : flagOptions) {
        if (word == opt) {
          args.flags.push_back(word);
          known = true;
        }
      }
      if (!known) throw UsageError{"unknown option " + word};
    } else {
      args.positional.push_back(word);
    }
  }
  return args;
}

}  // namespace qorn
