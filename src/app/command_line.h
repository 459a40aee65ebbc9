#pragma once
// The argument part of a Windows command line.
#include <string>
#include <string_view>

namespace brisvane {

// Everything after the program's own name and the blanks (spaces and tabs) that follow it, unchanged:
// quotes and inner or trailing blanks are kept. The name ends as Windows ends it when it splits a command
// line: at the closing double quote when it starts with one (or at the end of the text when the quote is
// never closed), otherwise at the first blank.
std::string ArgumentText(std::string_view whole_command_line);

}  // namespace brisvane
