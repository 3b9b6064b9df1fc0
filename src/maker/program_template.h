// The program around a picture, without a compiler: a copy of a built
// brimshade.exe (the template) whose resource, bitmap 101 in language
// 0x040C, holds another bitmap. The resource section is rebuilt for the new
// bitmap, the sections after it move, and the headers follow; nothing else of
// the template changes. A PE32 template gives a PE32 program, a PE32+ one a
// PE32+ program. It reads from memory only, like the picture's readers.
#ifndef BRIMSHADE_PROGRAM_TEMPLATE_H
#define BRIMSHADE_PROGRAM_TEMPLATE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Makes *pProgram from the template's bytes and a packed DIB (a BMP file
// without its 14-byte file header); with onTop, the program also carries the
// extended window style WS_EX_TOPMOST as data resource 102, which it reads.
// On refusal returns false with the rule the template, or the program it
// would give, breaks in *pError.
bool MakeProgram(const uint8_t *pTemplate, size_t cbTemplate, const uint8_t *pDib, size_t cbDib, bool onTop,
                 std::vector<uint8_t> *pProgram, std::string *pError);

#endif
