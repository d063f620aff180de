// The files one host's scripts hold open, under handle numbers of their own: a number no open file
// has is refused like a closed handle, so a script cannot reach the program's own files. The files
// left open go with their host.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace skv::engine {

class TScriptFiles {
public:
    // An open file. The C library needs a flush or a seek between writing and reading.
    struct TOpenFile {
        std::FILE* File = nullptr;
        std::string Name;
        bool CanRead = false;
        bool CanWrite = false;
        int LastOp = 0; // 1 read, 2 write
    };

    // Files scripts may hold open at once: a script that opens in a loop and never closes fails to
    // open more, as with a full handle table, rather than using up the program's own descriptors.
    static constexpr std::size_t kMaxOpenFiles = 64;

    TScriptFiles() = default;
    ~TScriptFiles();
    TScriptFiles(const TScriptFiles&) = delete;
    TScriptFiles& operator=(const TScriptFiles&) = delete;

    // Opens Name for reading (Access 0), writing (1) or both (2); -1 when it cannot be opened or
    // the table is full.
    std::int32_t Open(const std::string& Name, int Access);
    void Close(std::int32_t Handle); // nothing for a handle no file has
    TOpenFile* Find(std::int32_t Handle);
    std::size_t Count() const { return Files_.size(); }

private:
    std::map<std::int32_t, TOpenFile> Files_;
    std::int32_t NextHandle_ = 3;
};

} // namespace skv::engine
