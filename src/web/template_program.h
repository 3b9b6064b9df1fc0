// make's template, built into the page's module: the shipped brimshade.exe,
// as embed_template.cmake writes it from the program the build is given.
#ifndef BRIMSHADE_TEMPLATE_PROGRAM_H
#define BRIMSHADE_TEMPLATE_PROGRAM_H

#include <cstddef>

extern const unsigned char kTemplateProgram[];
extern const size_t kTemplateProgramSize;

#endif
