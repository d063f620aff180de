// The context of one host: its message host with the printing stand-in; the check point of the thread.
#include "engine/context/Enginecontext.h"

#include <iostream>

namespace skv::engine {

namespace {

// Prints the texts; a tool that has no window answers as if the first button were pressed.
class TPrintingMessageHost final : public TMessageHost {
public:
    void ShowMessage(const std::string& Text) override { std::cout << Text << std::endl; }
    std::int32_t MessageBox(const std::string& Text, const std::string& Caption,
                            std::int32_t /*Flags*/) override {
        std::cout << Caption << ": " << Text << std::endl;
        return 1;
    }
    std::int32_t MessageDlg(const std::string& Text, std::int32_t /*DlgType*/, std::int32_t /*Buttons*/,
                            std::int32_t /*HelpContext*/) override {
        std::cout << Text << std::endl;
        return 1;
    }
    void ShowError(const std::string& Text) override { std::cerr << Text << std::endl; }
};

} // namespace

TEngineContext::TEngineContext() = default;
TEngineContext::~TEngineContext() = default;

TMessageHost& TEngineContext::Messages() const {
    // The stand-in has no state: every host may print through the same one.
    static TPrintingMessageHost printing;
    return MessageHost_ ? *MessageHost_ : printing;
}

TMessageHost* TEngineContext::SetMessageHost(TMessageHost* Host) {
    TMessageHost* old = MessageHost_;
    MessageHost_ = Host;
    return old;
}

} // namespace skv::engine
