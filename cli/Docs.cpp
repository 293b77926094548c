// Writes the manual page or the bash completion of voice-programmer-cli from its template and the
// command table, at build time: docs (man|completion) TEMPLATE OUTPUT.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "Commands.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: " << argv[0] << " man|completion TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string kind = argv[1];
    std::ofstream out(argv[3], std::ios::binary);
    out << (kind == "man" ? ManualPage(text) : BashCompletion(text));
    return in && out ? 0 : 1;
}
