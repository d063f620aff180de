#include "directcontrol/Directcontrol_desktop.h"

#include "directcontrol/Directcontrol_status.h"

namespace skv::directcontrol {

// The thread and the backend must agree on where the band is drawn.
static_assert(StatusBand::left == platform::StatusBand::left &&
              StatusBand::top == platform::StatusBand::top &&
              StatusBand::right == platform::StatusBand::right &&
              StatusBand::bottom == platform::StatusBand::bottom);

CursorPos TPlatformDesktop::cursorPos() {
    const platform::CursorPos at = Platform.cursorPos();
    return {at.x, at.y};
}

ScreenSize TPlatformDesktop::screenSize() {
    const platform::ScreenSize size = Platform.screenSize();
    return {size.width, size.height};
}

void TPlatformDesktop::drawStatusLine(WindowId window, const std::string& text) {
    if (window != 0) Platform.drawStatusLine(window, text);
}

} // namespace skv::directcontrol
