#include "platform/Threadpriority.h"

namespace skv::platform {

const char* priorityLevelName(PriorityLevel level) {
    switch (level) {
    case PriorityLevel::RealTime:
        return "real-time";
    case PriorityLevel::RaisedNice:
        return "raised nice";
    case PriorityLevel::Unchanged:
        return "unchanged";
    }
    return "unchanged";
}

} // namespace skv::platform
