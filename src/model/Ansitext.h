// The library's texts are bytes of Windows code page 1252; this is the one place where they become
// Unicode (UTF-16 for the GUI, UTF-8 for the tool) and back, and where a character 1252 lacks is refused.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace skv::model {

// A text that cannot become code page 1252 bytes. The message names the first such character (in
// UTF-8) and its code point, so the user knows what to change.
class EAnsiTextError : public std::runtime_error {
public:
    explicit EAnsiTextError(char32_t refused);
    char32_t refused() const { return Refused; }

private:
    char32_t Refused;
};

// Every byte has a character: the five bytes 1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the C1 controls of the same number, as Windows reads them, so any byte string comes back
// unchanged through the way back.
std::u16string ansiToUtf16(std::string_view text);
std::string ansiToUtf8(std::string_view text);

// The way back; throws EAnsiTextError at the first character 1252 cannot hold (an unpaired
// surrogate, or ill-formed UTF-8, counts as such a character).
std::string utf16ToAnsi(std::u16string_view text);
std::string utf8ToAnsi(std::string_view text);

// The text without the blanks and control characters around it (bytes up to 0x20, and 0x7F), as
// item and camera names are taken.
std::string trimBlanksAndControls(std::string_view text);

} // namespace skv::model
