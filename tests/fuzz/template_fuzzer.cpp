// libFuzzer target: make's reading and rewriting of a template program, on any
// bytes. A template it takes must give a program that it takes in turn, and
// remaking that program with another bitmap must give exactly what making the
// template with that bitmap gives: every header field, moved section and
// pointer comes out the same however often the resource section is rebuilt,
// with the window's style resource added, kept or taken away.
// A refusal must say why. Out-of-bounds reads, leaks and undefined behaviour
// are caught by the sanitizers.
#include "program_template.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t cbData)
{
    // Smaller and larger than a section alignment, so that what follows the
    // resource section moves both ways.
    static const std::vector<uint8_t> small(40, 0x11), large(70000, 0x22);
    // Whether each making keeps the window on top: from the first byte of the
    // DOS stub, which make never reads, so that fuzzing varies both.
    const uint8_t choice = cbData > 0x40 ? pData[0x40] : 0;
    const bool onTopOnce = choice & 1, onTopAgain = choice & 2;
    std::vector<uint8_t> once, again, direct;
    std::string error;
    if (!MakeProgram(pData, cbData, small.data(), small.size(), onTopOnce, &once, &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    const bool remade = MakeProgram(once.data(), once.size(), large.data(), large.size(), onTopAgain, &again, &error);
    const bool made = MakeProgram(pData, cbData, large.data(), large.size(), onTopAgain, &direct, &error);
    if (remade != made || again != direct) std::abort();
    return 0;
}
