// skyvane-tool: the command-line companion of Skyvane.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::fprintf(stderr, "usage: skyvane-tool COMMAND ...\n");
        return 2;
    }
    std::fprintf(stderr, "skyvane-tool: unknown command\n");
    return 2;
}
