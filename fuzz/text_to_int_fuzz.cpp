// The text-to-integer conversion: an accepted text yields the reference parser's number, a
// rejected text is rejected by the reference too and the error names the whole text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/commands.h"
#include "reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gaintool;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> expected = fuzz::ReferenceTextToInt(text);
  try {
    const std::int32_t number = TextToInt(text);
    FUZZ_CHECK(expected.has_value());
    FUZZ_CHECK(number == *expected);
    // The plain decimal text of an accepted number converts back to it.
    FUZZ_CHECK(TextToInt(std::to_string(number)) == number);
  } catch (const EConvertError& error) {
    FUZZ_CHECK(!expected.has_value());
    FUZZ_CHECK(std::string_view(error.what()) == fuzz::ConversionMessage(text));
  }
  return 0;
}
