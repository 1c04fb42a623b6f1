// Rules of the application object that do not depend on a window toolkit: the application title
// and the text of the exception display.
#pragma once

#include <string>
#include <string_view>

namespace gaintool::ui {

// The application title: the program file's name without its folder and extension, its first
// character unchanged and every further character in lower case ("/opt/x/GainTool.exe" ->
// "Gaintool"). Folders may be separated by "/" or "\". Only ASCII letters change case, so a UTF-8
// name stays valid.
std::string ApplicationTitle(std::string_view program_path);

// The text the exception display shows for an exception's message: the message, with "."
// appended when it is not empty and its last byte sorts after "." (compared as unsigned bytes).
// An empty message stays empty.
std::string ExceptionMessageText(std::string_view message);

}  // namespace gaintool::ui
