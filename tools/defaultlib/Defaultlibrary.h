// The library the program ships as default.cmf: three camera sets for the first game, each camera's
// picture drawn from its values, and a dozen effects, all made here through the document model.
#pragma once

#include "model/Libraryfile.h"

namespace skv::defaultlib {

model::TCameraSetList makeDefaultLibrary();

} // namespace skv::defaultlib
