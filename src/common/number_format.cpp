#include "common/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qorn {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal digits of |value| x 10^decimals rounded to a whole number,
// halves away from zero, taken from the value's 15 significant digits so
// that 1.005 rounds as the 1.005 it is written as, not as its binary
// neighbour 1.00499999999999989... No leading zeros; "0" for zero.
std::string ScaledDigits(double value, int decimals) {
  char buf[64];
  // "d.dddddddddddddde+XX": 15 significant digits and the exponent.
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
  if (ec != std::errc()) return "0";
  const std::string_view text(buf, static_cast<size_t>(end - buf));
  const size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (IsDigit(c)) digits += c;
  }
  std::string_view expText = text.substr(e + 1);
  if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
  int exponent = 0;
  std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
  // Digit i weighs 10^(exponent - i); keep those down to 10^-decimals.
  const int keep = exponent + decimals + 1;
  if (keep < 0) return "0";
  const bool roundUp =
      keep < static_cast<int>(digits.size()) && digits[static_cast<size_t>(keep)] >= '5';
  if (keep < static_cast<int>(digits.size())) {
    digits.resize(static_cast<size_t>(keep));
  } else {
    digits.append(static_cast<size_t>(keep) - digits.size(), '0');
  }
  if (roundUp) {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');
    } else {
      ++digits[i - 1];
    }
  }
  const size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

// The value rounded to `decimals` places: a "-" when the rounded value is
// not zero, the whole part with at least `minWholeDigits` digits (grouped by
// thousands with "," when `grouped`), then "." and the decimals.
std::string FixedText(double value, int decimals, bool grouped, int minWholeDigits) {
  if (!std::isfinite(value)) return FormatDouble(value);
  std::string digits = ScaledDigits(value, decimals);
  const bool negative = std::signbit(value) && digits != "0";
  const size_t width = static_cast<size_t>(decimals + minWholeDigits);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  const size_t wholeSize = digits.size() - static_cast<size_t>(decimals);
  std::string out = negative ? "-" : "";
  for (size_t i = 0; i < wholeSize; ++i) {
    if (grouped && i > 0 && (wholeSize - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  if (decimals > 0) {
    out += '.';
    out.append(digits, wholeSize);
  }
  return out;
}

// Whether a decimal number that from_chars finds out of range is below the
// smallest double (an underflow, read as zero) rather than above the largest.
bool IsBelowRange(std::string_view text) {
  const size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  long long exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view expText = text.substr(e + 1);
    if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
    const auto [end, ec] =
        std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    if (ec == std::errc::result_out_of_range) return expText.front() == '-';
  }
  // The power of ten of the first significant digit.
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return true;
  const long long order = first < point ? static_cast<long long>(point - first) - 1
                                        : -static_cast<long long>(first - point);
  return order + exponent < 0;
}

}  // namespace

std::string FormatDouble(double value) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::optional<double> ParseDouble(std::string_view text) {
  // from_chars takes no "+" and would take "inf" and "nan".
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const size_t lead = !text.empty() && text.front() == '-' ? 1 : 0;
  if (text.size() <= lead || !(IsDigit(text[lead]) || text[lead] == '.')) return std::nullopt;
  double value = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (end != text.data() + text.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range && IsBelowRange(text.substr(lead))) {
    return lead ? -0.0 : 0.0;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

std::optional<int64_t> ParseInt(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string FormatWhole(double value) { return FixedText(value, 0, true, 1); }

std::string FormatTwoDecimals(double value) { return FixedText(value, 2, true, 1); }

std::string FormatPercent(double ratio) { return FixedText(ratio * 100.0, 2, false, 2) + "%"; }

std::string FormatShortDecimal(double value) {
  std::string text = FixedText(value, 2, false, 1);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

double RoundTwoDecimals(double value) {
  return ParseDouble(FixedText(value, 2, false, 1)).value_or(value);
}

std::optional<double> ParseShownNumber(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  bool inWhole = true;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ',') {
      const bool betweenDigits =
          inWhole && i > 0 && IsDigit(text[i - 1]) && i + 1 < text.size() && IsDigit(text[i + 1]);
      if (!betweenDigits) return std::nullopt;
      continue;
    }
    if (c == '.' || c == 'e' || c == 'E') inWhole = false;
    plain += c;
  }
  return ParseDouble(plain);
}

int64_t RoundHalfEven(double value) { return static_cast<int64_t>(std::nearbyint(value)); }

}  // namespace qorn
