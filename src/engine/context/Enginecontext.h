// What the scripts of one host own and use: the bytes their values hold, the numbers of their
// objects, their open files and memory blocks and where their messages go. Each host's function
// registry makes one; two hosts share nothing, so they may run on two threads without a lock.
#pragma once

#include "engine/base/Checkpoint.h"
#include "engine/context/Scriptfiles.h"
#include "engine/context/Scriptmemory.h"
#include "engine/objects/Component.h"
#include "engine/values/Variant.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

namespace skv::engine {

class TEditorHost;

// Where ShowMessage, MessageBox and MessageDlg go. The GUI installs one that shows real boxes;
// without one the texts are printed on standard output and the first button counts as pressed.
class TMessageHost {
public:
    virtual ~TMessageHost() = default;
    virtual void ShowMessage(const std::string& Text) = 0;
    // Answers the button pressed (1 = OK).
    virtual std::int32_t MessageBox(const std::string& Text, const std::string& Caption,
                                    std::int32_t Flags) = 0;
    virtual std::int32_t MessageDlg(const std::string& Text, std::int32_t DlgType, std::int32_t Buttons,
                                    std::int32_t HelpContext) = 0;
    // The standard error report: an error box with the text (a component's check that failed).
    virtual void ShowError(const std::string& Text) { ShowMessage(Text); }
};

class TEngineContext {
public:
    TEngineContext();
    ~TEngineContext();
    TEngineContext(const TEngineContext&) = delete;
    TEngineContext& operator=(const TEngineContext&) = delete;

    // Bound to the thread while the host's texts compile and evaluate (see TValueScope): the
    // number texts, the kind of value errors and the cap on what texts and arrays hold.
    TValueContext Values;
    // The numbers under which the host's scripts hold objects.
    TObjectRefs Objects;
    TScriptFiles Files;
    TScriptMemory Memory;

    // The host's message boxes, or the printing stand-in while it has none.
    TMessageHost& Messages() const;
    // Host (null: back to printing) must outlive its use; answers the previous one.
    TMessageHost* SetMessageHost(TMessageHost* Host);
    // The variables editor and library designer of the GUI; null: none, and editing answers false.
    TEditorHost* EditorHost = nullptr;

    // Whether what compiles from now on gets the fast form of number chains (on unless switched
    // off): both forms answer the same, which is what switching it off is for.
    bool FastChains = true;

    // Random and Randomize: the same sequence in every new host until a script reseeds it.
    static constexpr std::uint32_t kRandomSeed = 0x5EED;
    std::mt19937 Random{kRandomSeed};
    // ExecScript calls nested now (a script that runs itself ends with an error, not a crash).
    int ScriptDepth = 0;
    // The exception ExceptObject last made an object for, and that object, kept until the next.
    std::exception_ptr HandledException;
    std::unique_ptr<TObject> HandledExceptionObject;

private:
    TMessageHost* MessageHost_ = nullptr;
};

} // namespace skv::engine
