// The files of one host's scripts.
#include "engine/context/Scriptfiles.h"

namespace skv::engine {

TScriptFiles::~TScriptFiles() {
    for (auto& [handle, file] : Files_)
        std::fclose(file.File);
}

std::int32_t TScriptFiles::Open(const std::string& Name, int Access) {
    if (Files_.size() >= kMaxOpenFiles) return -1;
    std::FILE* f = std::fopen(Name.c_str(), Access == 0 ? "rb" : "r+b");
    if (!f) return -1;
    // Numbers up to 2 would be the standard streams.
    while (Files_.count(NextHandle_) || NextHandle_ <= 2)
        NextHandle_ = NextHandle_ >= 0x7FFFFFFE ? 3 : NextHandle_ + 1;
    const std::int32_t handle = NextHandle_++;
    Files_[handle] = TOpenFile{f, Name, Access != 1, Access != 0, 0};
    return handle;
}

void TScriptFiles::Close(std::int32_t Handle) {
    const auto it = Files_.find(Handle);
    if (it == Files_.end()) return;
    std::FILE* f = it->second.File;
    Files_.erase(it);
    std::fclose(f);
}

TScriptFiles::TOpenFile* TScriptFiles::Find(std::int32_t Handle) {
    const auto it = Files_.find(Handle);
    return it == Files_.end() ? nullptr : &it->second;
}

} // namespace skv::engine
