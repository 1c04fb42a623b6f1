// The range rule and the write command built from its result: whatever the operator typed, what
// is sent is the decimal text of a number in 0..255, the reference's number held to that range,
// and a text the reference rejects raises the conversion error naming it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/commands.h"
#include "reference.h"

namespace {

bool IsPlainDecimal(std::string_view text) {
  if (text.empty() || text.size() > 3) return false;
  if (text.size() > 1 && text[0] == '0') return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// The first byte picks the kind, the mode and the level; the rest is the value text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gaintool;
  if (size < 1) return 0;
  constexpr ParamKind kKinds[] = {ParamKind::Mic, ParamKind::Speech, ParamKind::Melody,
                                  ParamKind::SideTone};
  const ParamKind kind = kKinds[data[0] % 4];
  const int mode = (data[0] / 4) % 3;
  const int level = HighestLevel(kind) == 0 ? 0 : (data[0] / 12) % 7;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::optional<std::int32_t> expected = fuzz::ReferenceTextToInt(text);
  std::string sent;
  try {
    sent = ClampValueText(text, ValueRangeOf(kind));
  } catch (const EConvertError& error) {
    FUZZ_CHECK(!expected.has_value());
    FUZZ_CHECK(std::string_view(error.what()) == fuzz::ConversionMessage(text));
    return 0;
  }
  FUZZ_CHECK(expected.has_value());
  FUZZ_CHECK(IsPlainDecimal(sent));
  const int number = std::stoi(sent);
  FUZZ_CHECK(number >= 0 && number <= 255);
  FUZZ_CHECK(number == std::clamp<std::int32_t>(*expected, 0, 255));

  const std::string command = FormatWriteCommand(mode, kind, level, sent);
  FUZZ_CHECK(command == "at+eadp=1," + std::to_string(mode) + "," +
                            std::to_string(static_cast<int>(kind)) + "," + std::to_string(level) +
                            "," + sent + "\r\n");
  return 0;
}
