#pragma once

#include <string>

namespace qorn::test {

// Switches the C library's locale to German (de_DE.UTF-8: "," before the
// decimals, "." between thousands), as Qt does when the user's environment
// names it, and back to "C" at the end. A system without that locale gets
// one made by localedef in `cacheFolder` (made once, reused). When neither
// works, Active() is false and Why() says why.
class CommaDecimalLocale {
 public:
  explicit CommaDecimalLocale(const std::string& cacheFolder);
  ~CommaDecimalLocale();
  CommaDecimalLocale(const CommaDecimalLocale&) = delete;
  CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

  bool Active() const { return why_.empty(); }
  const std::string& Why() const { return why_; }

 private:
  std::string why_;
};

}  // namespace qorn::test
