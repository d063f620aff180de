#include "ui/Launch.h"

#include "model/Gamepaths.h"
#include "platform/Launch.h"

#include <QDesktopServices>
#include <QUrl>

#include <stdexcept>

namespace skv::ui {

namespace {

ILauncher* Installed = nullptr;

// A path as the preferences hold it, found on this machine's disk.
std::string onDisk(const model::TGamePaths& paths, const std::string& path) {
    if (path.empty()) return {};
    return paths.resolve(path).string();
}

} // namespace

void TSystemLauncher::launch(const TLaunch& what) {
    const model::TGamePaths paths;
    const platform::LaunchRequest request{onDisk(paths, what.program), what.parameters,
                                          onDisk(paths, what.workingFolder)};
    platform::launch(platform::buildLaunchCommand(request));
}

ILauncher& launcher() {
    static TSystemLauncher system;
    return Installed ? *Installed : system;
}

void setLauncher(ILauncher* installed) {
    Installed = installed;
}

std::string gplParameterText(bool runInWindow) {
    return std::string("-ko\"0:rasterizer:fullScreen:") + (runInWindow ? '0' : '1') + '"';
}

void TUrlLauncher::Execute() {
    const std::runtime_error failed("Couldn't launch default browser");
    // Where the system records the browser's command (Windows), that command; elsewhere the desktop's
    // own way of opening an address.
    if (const auto commandTemplate = platform::defaultBrowserTemplate()) {
        platform::LaunchCommand command;
        command.commandLine = platform::browserCommandLine(*commandTemplate, Url.toStdString());
        try {
            platform::launch(command);
        } catch (const platform::ELaunchError&) {
            throw failed;
        }
        return;
    }
    const QUrl url(Url, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || !QDesktopServices::openUrl(url)) throw failed;
}

} // namespace skv::ui
