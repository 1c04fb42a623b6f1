// Plainly written second implementations of the command set's text rules, against which the fuzz
// targets check the real ones, and the checks shared by several targets. Each reference follows
// the rule's wording with different means than the production code (string comparison of digit
// runs instead of overflow checks, an explicit list of lines instead of a scan), so that a
// mistake would have to be made twice, differently, to go unnoticed.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/commands.h"

// Stops the fuzzer with a message when a property does not hold.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace gaintool::fuzz {

// The number a value text stands for, or nothing when the text is not an integer.
// Grammar: blanks (byte 32), then "+" or "-" and decimal digits, or "$", "x", "X", "0x", "0X"
// and hexadecimal digits, or decimal digits alone. Decimal lies in the 32-bit signed range after
// the sign; hexadecimal has at most eight significant digits and is read as two's complement.
inline std::optional<std::int32_t> ReferenceTextToInt(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  std::string_view rest = text.substr(first);

  int base = 10;
  bool negative = false;
  if (rest[0] == '+' || rest[0] == '-') {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  } else if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
    base = 16;
    rest.remove_prefix(1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest.remove_prefix(2);
  }

  const std::string_view digits_allowed =
      base == 10 ? std::string_view("0123456789") : std::string_view("0123456789abcdefABCDEF");
  if (rest.empty() || rest.find_first_not_of(digits_allowed) != std::string_view::npos) {
    return std::nullopt;
  }

  const std::size_t significant_at = rest.find_first_not_of('0');
  const std::string_view significant =
      significant_at == std::string_view::npos ? std::string_view() : rest.substr(significant_at);

  if (base == 16) {
    if (significant.size() > 8) return std::nullopt;
    std::uint32_t bits = 0;
    if (!significant.empty()) {
      std::from_chars(significant.data(), significant.data() + significant.size(), bits, 16);
    }
    return static_cast<std::int32_t>(bits);
  }

  // Compare the digit run with the largest allowed magnitude as text: same length, then by byte.
  const std::string_view largest = negative ? "2147483648" : "2147483647";
  if (significant.size() > largest.size() ||
      (significant.size() == largest.size() && significant > largest)) {
    return std::nullopt;
  }
  std::int64_t magnitude = 0;
  if (!significant.empty()) {
    std::from_chars(significant.data(), significant.data() + significant.size(), magnitude);
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

// The reply's lines: split at every CR and every LF; the text after the last one is a line too.
inline std::vector<std::string> ReplyLines(std::string_view reply) {
  std::vector<std::string> lines(1);
  for (const char byte : reply) {
    if (byte == '\r' || byte == '\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(byte);
    }
  }
  return lines;
}

// Success: some line is exactly "OK" and none is "ERROR" or begins with "+CME ERROR" or
// "+CMS ERROR".
inline bool ReferenceReplyIsOk(std::string_view reply) {
  bool has_ok = false;
  bool has_error = false;
  for (const std::string& line : ReplyLines(reply)) {
    if (line == "OK") has_ok = true;
    if (line == "ERROR" || line.compare(0, 10, "+CME ERROR") == 0 ||
        line.compare(0, 10, "+CMS ERROR") == 0) {
      has_error = true;
    }
  }
  return has_ok && !has_error;
}

inline bool IsTrimmedByte(char byte) {
  return static_cast<unsigned char>(byte) <= 32;
}

// The value of a read reply: leave out the reply's last byte; keep what follows the first colon
// (all of it when there is no colon); the value is what comes before the first CR LF of that, or
// nothing when it holds none; bytes of 32 or less are trimmed from both ends.
inline std::string ReferenceExtractReplyValue(std::string_view reply) {
  if (reply.empty()) return {};
  std::string_view looked_at = reply.substr(0, reply.size() - 1);
  const std::size_t colon = reply.find(':');
  if (colon != std::string_view::npos) {
    looked_at = colon + 1 <= looked_at.size() ? looked_at.substr(colon + 1) : std::string_view();
  }
  const std::size_t line_end = looked_at.find("\r\n");
  if (line_end == std::string_view::npos) return {};
  std::string value(looked_at.substr(0, line_end));
  while (!value.empty() && IsTrimmedByte(value.back())) value.pop_back();
  std::size_t start = 0;
  while (start < value.size() && IsTrimmedByte(value[start])) ++start;
  return value.substr(start);
}

// The conversion error's message for a text, as what() shows it: a C string, which ends at the
// first NUL should the text hold one (texts from the window never do).
inline std::string ConversionMessage(std::string_view text) {
  const std::string message = "'" + std::string(text) + "' is not a valid integer value";
  return message.substr(0, message.find('\0'));
}

// The properties of the reply judge on one reply.
inline void CheckJudge(std::string_view reply) {
  const bool ok = ReplyIsOk(reply);
  FUZZ_CHECK(ok == ReferenceReplyIsOk(reply));
  // Success is never claimed for a reply without the result "OK" in it.
  if (ok) FUZZ_CHECK(reply.find("OK") != std::string_view::npos);
}

// The properties of the value extraction on one reply.
inline void CheckExtraction(std::string_view reply) {
  const std::string value = ExtractReplyValue(reply);
  FUZZ_CHECK(value == ReferenceExtractReplyValue(reply));
  if (!value.empty()) {
    FUZZ_CHECK(!IsTrimmedByte(value.front()));
    FUZZ_CHECK(!IsTrimmedByte(value.back()));
    FUZZ_CHECK(value.find("\r\n") == std::string::npos);
    FUZZ_CHECK(reply.find(value) != std::string_view::npos);
    // The value never reaches the reply's last byte.
    FUZZ_CHECK(value.size() < reply.size());
  }
}

}  // namespace gaintool::fuzz
