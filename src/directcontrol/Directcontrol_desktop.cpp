#include "directcontrol/Directcontrol_desktop.h"

namespace skv::directcontrol {

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
