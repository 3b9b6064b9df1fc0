# The picture tool, a host program, built natively from this source tree into
# this Windows build's tree: own-artwork.cmake converts the user's picture with
# it at configure time, and the tests make programs with it from the program
# this build links.
#
# Defines NATIVE_PICTURE_TOOL (its path), NATIVE_PICTURE_TOOL_CONFIGURE (the
# command that configures its build) and the target native_picture_tool, which
# builds it.

set(NATIVE_PICTURE_TOOL_BUILD "${CMAKE_BINARY_DIR}/picture-tool")
set(NATIVE_PICTURE_TOOL "${NATIVE_PICTURE_TOOL_BUILD}/src/tool/brimshade-picture")
# This configure has set CC, CXX and RC to the cross compilers.
set(NATIVE_PICTURE_TOOL_CONFIGURE
    "${CMAKE_COMMAND}" -E env --unset=CC --unset=CXX --unset=RC
    "${CMAKE_COMMAND}" -S "${PROJECT_SOURCE_DIR}" -B "${NATIVE_PICTURE_TOOL_BUILD}"
    -G "${CMAKE_GENERATOR}" -DCMAKE_BUILD_TYPE=Release
    "-DBRIMSHADE_TEMPLATE_PROGRAM=${BRIMSHADE_TEMPLATE_PROGRAM}")

add_custom_command(OUTPUT "${NATIVE_PICTURE_TOOL_BUILD}/CMakeCache.txt"
                   COMMAND ${NATIVE_PICTURE_TOOL_CONFIGURE}
                   COMMENT "Configuring the picture tool natively")
# Always handed to the native build, which knows what has changed; the tool
# counts as changed only when that build relinks it.
add_custom_target(native_picture_tool ALL
                  COMMAND "${CMAKE_COMMAND}" --build "${NATIVE_PICTURE_TOOL_BUILD}" --target brimshade-picture
                  DEPENDS "${NATIVE_PICTURE_TOOL_BUILD}/CMakeCache.txt"
                  BYPRODUCTS "${NATIVE_PICTURE_TOOL}"
                  COMMENT "Building the picture tool natively")
