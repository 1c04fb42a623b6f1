// C-style escaping of byte strings, shared by the simulated handset (its log and its --fault
// reply:TEXT argument) and the test support library that reads the log back.
//
//   \r \n \t \\ \0   CR, LF, tab, backslash, NUL
//   \xHH             any byte, exactly two hexadecimal digits
// Escape() writes printable ASCII (32..126) except the backslash as it stands, the five named
// bytes by their names and every other byte as \xHH, so an escaped text holds no tab, CR or LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace handset_sim {

inline std::string Escape(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        if (u >= 32 && u < 127) {
          out += c;
        } else {
          out += "\\x";
          out += kHex[u >> 4];
          out += kHex[u & 15];
        }
    }
  }
  return out;
}

// The bytes an escaped text stands for; nothing for a malformed escape.
inline std::optional<std::string> Unescape(std::string_view text) {
  auto hex_digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '\\':
        out += '\\';
        break;
      case '0':
        out += '\0';
        break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hex_digit(text[i + 1]);
        const int low = hex_digit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

}  // namespace handset_sim
