// How the window starts the games and the tool applications, and opens web addresses: one launcher
// that tests can replace, the GPL parameter text, and the link component of the "Main" tab.
#pragma once

#include <QObject>
#include <QString>

#include <string>

namespace skv::ui {

// A program to start, with its paths as the preferences hold them (the Windows way or this system's).
struct TLaunch {
    std::string program;
    std::string parameters;    // one command-line text
    std::string workingFolder; // empty: the folder this program runs in

    bool operator==(const TLaunch&) const = default;
};

class ILauncher {
public:
    virtual ~ILauncher() = default;
    // Starts it; raises std::runtime_error with words for the user when it cannot be started.
    virtual void launch(const TLaunch& what) = 0;
};

// Finds the paths on disk and starts the program as a child of this process (through Wine where a
// Windows program runs on Linux).
class TSystemLauncher final : public ILauncher {
public:
    void launch(const TLaunch& what) override;
};

// The launcher in use: the system's, unless another one is installed (nullptr puts it back). Used on
// the user-interface thread only.
ILauncher& launcher();
void setLauncher(ILauncher* installed);

// The parameter text GPL is started with: full screen, or in a window.
std::string gplParameterText(bool runInWindow);

// Opens a web address in the default browser.
class TUrlLauncher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    QString Url;

    // Raises std::runtime_error "Couldn't launch default browser" when no browser could be started.
    void Execute();
};

} // namespace skv::ui
