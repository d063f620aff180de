// The tool's one text boundary: its arguments and text files are UTF-8, the library's texts are code
// page 1252, and whatever came from a file is printed with control and invalid bytes escaped.
#pragma once

#include <string>
#include <string_view>

namespace skv::tool {

// The text with each byte that is not part of a printable UTF-8 character (controls, C1 controls, DEL,
// ill-formed sequences) written as \xNN, so that a message stays one readable line.
std::string escapeText(std::string_view text);

// A library text (1252) as it is printed: UTF-8, escaped as escapeText does.
std::string printableAnsi(std::string_view ansiText);

// An argument given as UTF-8 made into a library text; raises std::runtime_error naming what the
// argument is for ("--caption") and the character 1252 lacks.
std::string argumentToAnsi(std::string_view utf8, std::string_view what);

// The contents of a UTF-8 text file made into a library text: a byte-order mark at the start is
// skipped; raises std::runtime_error naming the file and the character 1252 lacks.
std::string textFileToAnsi(std::string_view bytes, const std::string& fileName);

// A script file made into a library text ("-" reads standard input), refused when larger than
// 16 MiB; raises std::runtime_error naming the file.
std::string readScriptFile(const std::string& name);

// Where a script's error was found, as compilers print it: "WHERE:LINE:COLUMN: message", or
// "WHERE: message" when the line is not known; escaped as escapeText does.
std::string locatedMessage(const std::string& where, int line, int column, const std::string& message);

} // namespace skv::tool
