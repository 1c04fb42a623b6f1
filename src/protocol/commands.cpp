// The handset's audio-parameter dialogue. Everything here works on bytes: no character-set
// conversion, no case folding, and bytes of 128 and above are ordinary bytes (compared as unsigned
// char, never as a possibly negative char).
#include "protocol/commands.h"

#include <cstddef>
#include <limits>
#include <string>

namespace gaintool {

namespace {

// The bounds every kind is held to. Kept as texts and converted at each use.
constexpr ValueRange kFullRange{"255", "0"};

// One-based substring with clamping: a start past the end or a length below 1 gives the empty
// text; a start below 1 counts as 1; a length that reaches past the end is cut there.
std::string_view SubText(std::string_view text, long long start, long long length) {
  const auto size = static_cast<long long>(text.size());
  if (start > size || length < 1) return {};
  if (start < 1) start = 1;
  const long long available = size - (start - 1);
  if (length > available) length = available;
  return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
}

// One-based position of the first occurrence of `needle`, 0 when there is none.
long long PositionOf(std::string_view text, std::string_view needle) {
  const std::size_t at = text.find(needle);
  return at == std::string_view::npos ? 0 : static_cast<long long>(at) + 1;
}

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

// Value of a hexadecimal digit, -1 for any other byte.
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsErrorLine(std::string_view line) {
  return line == "ERROR" || line.starts_with("+CME ERROR") || line.starts_with("+CMS ERROR");
}

}  // namespace

int HighestLevel(ParamKind kind) {
  return (kind == ParamKind::Speech || kind == ParamKind::Melody) ? 6 : 0;
}

const ValueRange& ValueRangeOf(ParamKind /*kind*/) {
  // The same pair for Mic, Speech, Melody and SideTone.
  return kFullRange;
}

EConvertError::EConvertError(std::string_view text)
    : std::runtime_error("'" + std::string(text) + "' is not a valid integer value") {}

bool SleepOffReplyAccepted(std::string_view reply) {
  return reply == kSleepOffReplyEchoed || reply == kSleepOffReplyPlain;
}

std::string FormatReadCommand(int mode, ParamKind kind, int level) {
  // Mic and SideTone have a single level, always sent as 0.
  if (HighestLevel(kind) == 0) level = 0;
  return "at+eadp=0," + std::to_string(mode) + "," + std::to_string(static_cast<int>(kind)) + "," +
         std::to_string(level) + "\r\n";
}

std::string FormatWriteCommand(int mode, ParamKind kind, int level, std::string_view value) {
  if (HighestLevel(kind) == 0) level = 0;
  std::string command = "at+eadp=1," + std::to_string(mode) + "," +
                        std::to_string(static_cast<int>(kind)) + "," + std::to_string(level) + ",";
  command.append(value);
  command.append("\r\n");
  return command;
}

bool ReplyIsOk(std::string_view reply) {
  // Judged line by line: a lone "OK" somewhere inside a word or beside an error result must not
  // pass a failed command.
  bool ok_line = false;
  std::size_t start = 0;
  while (start <= reply.size()) {
    std::size_t end = reply.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = reply.size();
    const std::string_view line = reply.substr(start, end - start);
    if (IsErrorLine(line)) return false;
    if (line == "OK") ok_line = true;
    start = end + 1;
  }
  return ok_line;
}

std::string ExtractReplyValue(std::string_view reply) {
  const auto length = static_cast<long long>(reply.size());
  // The bytes after the first colon (the whole reply when there is none), without the reply's
  // last byte.
  const long long colon = PositionOf(reply, ":");
  const std::string_view after_colon = SubText(reply, colon + 1, length - colon - 1);
  // Up to the first CR LF in it; nothing when it holds none or begins with one.
  const long long line_end = PositionOf(after_colon, "\r\n");
  std::string_view value = SubText(after_colon, 0, line_end - 1);
  while (!value.empty() && IsBlankOrControl(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlankOrControl(value.back())) value.remove_suffix(1);
  return std::string(value);
}

std::string ClampValueText(std::string_view text, const ValueRange& range) {
  // The value text is converted before each bound, so a text that is not an integer fails first.
  std::int32_t held = TextToInt(text);
  if (held < TextToInt(range.minimum)) held = TextToInt(range.minimum);
  // The text as it now stands is the held number: converting it again gives the same number.
  if (held > TextToInt(range.maximum)) held = TextToInt(range.maximum);
  // Sent as plain decimal, so the handset receives the number that was checked whatever form the
  // operator typed it in ("0xFF", "$ff", "007", "+7", blanks before it).
  return std::to_string(held);
}

std::int32_t TextToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;

  bool hexadecimal = false;
  bool negative = false;
  if (i < text.size()) {
    const char first = text[i];
    if (first == '-' || first == '+') {
      negative = first == '-';
      ++i;
    } else if (first == '$' || first == 'x' || first == 'X') {
      hexadecimal = true;
      ++i;
    } else if (first == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      hexadecimal = true;
      i += 2;
    }
  }

  const std::string_view digits = text.substr(i);
  if (digits.empty()) throw EConvertError(text);

  if (hexadecimal) {
    std::uint32_t value = 0;
    for (const char c : digits) {
      const int digit = HexDigitValue(c);
      if (digit < 0) throw EConvertError(text);
      // Leading zeros are free; more than eight significant digits do not fit.
      if (value > 0x0FFFFFFFu) throw EConvertError(text);
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    // The 32 bits as a two's-complement integer: FFFFFFFF is -1.
    return static_cast<std::int32_t>(value);
  }

  // Accumulated as a magnitude; the negative side reaches one further than the positive side.
  const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
  std::uint64_t magnitude = 0;
  for (const char c : digits) {
    if (!IsDecimalDigit(c)) throw EConvertError(text);
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
    if (magnitude > limit) throw EConvertError(text);
  }
  if (negative) {
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
  }
  return static_cast<std::int32_t>(magnitude);
}

}  // namespace gaintool
