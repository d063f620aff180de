// skyvane-tool: the command-line companion of Skyvane.
#include <cstdio>
#include <cstring>

namespace {

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: skyvane-tool COMMAND ...\n"
                 "\n"
                 "Works on Skyvane's library (.cmf) and camera (.cam) files from the shell.\n"
                 "No commands are available in this build yet.\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    printUsage(stderr);
    return 2;
}
