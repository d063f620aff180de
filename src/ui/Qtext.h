// The GUI's one text boundary: library texts (code page 1252 bytes) become QString and go back
// here, file names keep this platform's own encoding, and exception messages are shown as they read.
#pragma once

#include <QString>

class QTextDocument;

#include <string>
#include <string_view>

namespace skv::ui {

// A library text (a caption, a comment, an effect script) to show.
QString toQString(std::string_view ansi);
// The way back; throws model::EAnsiTextError naming the first character code page 1252 lacks.
std::string toAnsi(const QString& text);

// Multi-line library texts keep the CR LF line ends they are stored with; a text field wants "\n".
QString linesToQString(std::string_view ansi);
std::string linesToAnsi(const QString& text);

// The text of a multi-line field exactly as typed ("\n" between lines): unlike toPlainText(), it keeps
// no-break spaces, which are characters of code page 1252 like any other.
QString documentText(const QTextDocument& document);

// File names: bytes in this platform's encoding, never converted through code page 1252.
QString pathToQString(const std::string& path);
std::string pathFromQString(const QString& path);

// An exception's message: UTF-8 where it is valid UTF-8 (file names, the refusals above), else the
// engine's 1252 bytes (a script's own texts).
QString messageToQString(std::string_view message);

} // namespace skv::ui
