# The program built with a picture of the user's own (BRIMSHADE_ARTWORK, a PNG
# or BMP) in place of res/artwork.bmp. The picture tool converts it now, at
# configure time, so that a refused picture stops the configure with the
# tool's own message before anything is built. The tool is a host program,
# built natively (native-picture-tool.cmake).
#
# Defines brimshade_own_resources, the resource object to link into the
# program, and BRIMSHADE_EMBEDDED_ARTWORK, the BMP it embeds.

get_filename_component(own_picture "${BRIMSHADE_ARTWORK}" ABSOLUTE)
if(NOT EXISTS "${own_picture}")
    message(FATAL_ERROR "BRIMSHADE_ARTWORK: ${own_picture} does not exist")
endif()
# Editing the picture configures again, which converts it again.
set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${own_picture}")

message(STATUS "Building the picture tool natively in ${NATIVE_PICTURE_TOOL_BUILD}")
execute_process(COMMAND ${NATIVE_PICTURE_TOOL_CONFIGURE} RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT failed)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${NATIVE_PICTURE_TOOL_BUILD}" --target brimshade-picture
                    RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
endif()
if(failed)
    message(FATAL_ERROR "The picture tool could not be built natively:\n${log}")
endif()

set(own_artwork_dir "${CMAKE_BINARY_DIR}/own-artwork")
set(BRIMSHADE_EMBEDDED_ARTWORK "${own_artwork_dir}/artwork.bmp")
file(MAKE_DIRECTORY "${own_artwork_dir}")
# A refused picture must not leave the last accepted one to be built in.
file(REMOVE "${BRIMSHADE_EMBEDDED_ARTWORK}")
# The tool's own lines (a refusal, or a warning: that the window would be
# empty or a plain rectangle, or that its shape has too many rectangles for
# Wine on X11) go straight to the user, unwrapped.
execute_process(COMMAND "${NATIVE_PICTURE_TOOL}" convert "${own_picture}" -o "${BRIMSHADE_EMBEDDED_ARTWORK}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE converted OUTPUT_STRIP_TRAILING_WHITESPACE)
if(failed)
    message(FATAL_ERROR "BRIMSHADE_ARTWORK: the picture tool refused ${own_picture}; nothing is built")
endif()
message(STATUS "Own artwork: ${converted}")

# The program's resource script, naming the converted picture instead. It is
# only rewritten when it changes, so that configuring again rebuilds nothing.
file(READ "${PROJECT_SOURCE_DIR}/res/brimshade.rc" resource_script)
string(REPLACE "\"artwork.bmp\"" "\"${BRIMSHADE_EMBEDDED_ARTWORK}\"" resource_script "${resource_script}")
file(WRITE "${own_artwork_dir}/brimshade.rc.new" "${resource_script}")
configure_file("${own_artwork_dir}/brimshade.rc.new" "${own_artwork_dir}/brimshade.rc" COPYONLY)
add_library(brimshade_own_resources OBJECT "${own_artwork_dir}/brimshade.rc")
target_include_directories(brimshade_own_resources PRIVATE "${PROJECT_SOURCE_DIR}/res")
set_source_files_properties("${own_artwork_dir}/brimshade.rc" PROPERTIES
                            OBJECT_DEPENDS "${BRIMSHADE_EMBEDDED_ARTWORK};${PROJECT_SOURCE_DIR}/res/resource.h")
