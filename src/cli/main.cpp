#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  qorn::platform::UseUtf8Console();
  std::vector<std::string> words = qorn::platform::Utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return qorn::RunCli(static_cast<int>(words.size()), pointers.data());
}
