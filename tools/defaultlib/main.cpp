// Writes the library the program ships as default.cmf. Usage: skv-make-default-library FILE
#include "Defaultlibrary.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skv-make-default-library FILE\n");
        return 2;
    }
    try {
        skv::model::saveLibraryFile(argv[1], skv::defaultlib::makeDefaultLibrary());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skv-make-default-library: %s\n", e.what());
        return 1;
    }
    return 0;
}
