// The handset's audio-parameter dialogue: the command texts, the codes they carry, the rules by
// which a reply is judged and a value taken out of it, and the range rule that a value passes
// before it is written. Pure functions: no I/O, no state, no Qt.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace gaintool {

// The gain parameter an "at+eadp" command addresses, sent as one decimal digit.
// Code 1 is never sent.
enum class ParamKind : int { Melody = 0, Speech = 2, Mic = 3, SideTone = 4 };

// The audio path whose gain table is addressed; the item index of the mode box.
enum class AudioMode : int { Normal = 0, Headset = 1, HandsFree = 2 };

// Highest level of a kind: 6 for Speech and Melody, 0 for Mic and SideTone.
int HighestLevel(ParamKind kind);

// The bounds a written value is held to, kept as texts and converted at each use.
struct ValueRange {
  std::string_view maximum;
  std::string_view minimum;
};
const ValueRange& ValueRangeOf(ParamKind kind);

// Raised when a text is not an integer. The message is "'<text>' is not a valid integer value"
// with the whole text, blanks included.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(std::string_view text);
};

// The two commands that prepare the handset, and the replies that count as a successful
// sleep-off: with the command echoed, or the result alone (echo already off).
inline constexpr std::string_view kSleepOffCommand = "AT+ESLP=0\r\n";
inline constexpr std::string_view kEchoOffCommand = "ATE0\r\n";
inline constexpr std::string_view kSleepOffReplyEchoed = "AT+ESLP=0\r\n\r\nOK\r\n";
inline constexpr std::string_view kSleepOffReplyPlain = "\r\nOK\r\n";

// True when the reply to the sleep-off command is exactly one of the two accepted replies.
bool SleepOffReplyAccepted(std::string_view reply);

// "at+eadp=0,<mode>,<kind>,<level>\r\n"; Mic and SideTone always carry level 0.
std::string FormatReadCommand(int mode, ParamKind kind, int level);

// "at+eadp=1,<mode>,<kind>,<level>,<value>\r\n"; Mic and SideTone always carry level 0.
// The value's bytes go out unchanged.
std::string FormatWriteCommand(int mode, ParamKind kind, int level, std::string_view value);

// True when the reply holds a line that is exactly "OK" and no line that is "ERROR" or begins
// with "+CME ERROR" or "+CMS ERROR". Lines end at CR, LF or the end of the reply.
bool ReplyIsOk(std::string_view reply);

// The value a read reply carries: the text after the first ':' (the whole reply when it has no
// colon) up to the next CR LF, with bytes of 32 or less trimmed from both ends; bytes of 128 and
// above stay. The reply's last byte is never looked at, so a CR LF that ends the reply does not
// end a value. Empty when there is no CR LF after the colon before the reply's last byte, or
// when one comes right after the colon.
std::string ExtractReplyValue(std::string_view reply);

// Holds a value text to a range: the number of the text, raised to the minimum or lowered to
// the maximum when it lies outside, as decimal text. Raises EConvertError when the text is not
// an integer.
std::string ClampValueText(std::string_view text, const ValueRange& range);

// Converts a text into a 32-bit signed integer: optional leading blanks, then either a signed
// decimal number or a hexadecimal one after "$", "x", "X", "0x" or "0X". Raises EConvertError
// on anything else.
std::int32_t TextToInt(std::string_view text);

}  // namespace gaintool
