#include "ui/app_rules.h"

namespace gaintool::ui {

std::string ApplicationTitle(std::string_view program_path) {
  std::string_view name = program_path;
  if (const auto slash = name.find_last_of("/\\"); slash != std::string_view::npos) {
    name.remove_prefix(slash + 1);
  }
  // A leading dot starts the name, not an extension.
  if (const auto dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) {
    name = name.substr(0, dot);
  }
  std::string title(name);
  for (std::size_t i = 1; i < title.size(); ++i) {
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  }
  return title;
}

std::string ExceptionMessageText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

}  // namespace gaintool::ui
