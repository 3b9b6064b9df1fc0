# cmake -DINPUT=PROGRAM.exe -DOUTPUT=template_program.cpp -P embed_template.cmake
# Writes a C++ source that holds the program's bytes as kTemplateProgram.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "// Written by embed_template.cmake: the bytes of make's template.\n"
                       "#include \"template_program.h\"\n\n"
                       "const unsigned char kTemplateProgram[] = {${bytes}};\n"
                       "const size_t kTemplateProgramSize = ${size};\n")
