// The file dialogs' filters are written as the program has always given them ("Description|*.a;*.b|
// ..."); this turns one into the filter text of a Qt file dialog.
#pragma once

#include <string>
#include <string_view>

namespace skv::ui {

// Each "description|patterns" pair becomes "description (patterns)", the patterns separated by
// blanks, the pairs by ";;". A description that already ends in its patterns in brackets keeps them,
// written the Qt way: "All (*.jpg;*.jpeg)|*.jpg;*.jpeg;" gives "All (*.jpg *.jpeg)".
std::string qtFileFilter(std::string_view filter);

} // namespace skv::ui
