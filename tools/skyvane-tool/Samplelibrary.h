// The sample library shipped as data/default.cmf, built entirely by this program: a few camera sets
// with pictures drawn here, and two effect items.
#pragma once

#include "model/Libraryfile.h"

namespace skv::tool {

skv::model::TCameraSetList makeSampleLibrary();

} // namespace skv::tool
