# Makes the README's sample picture and its preview again and fails unless
# both equal the committed files in docs/ byte for byte.
execute_process(COMMAND ${PYTHON} ${SOURCE}/tools/make_sample_picture.py ${OUTPUT}/sample-picture.png
                RESULT_VARIABLE failed)
if(NOT failed)
    execute_process(COMMAND ${TOOL} preview ${OUTPUT}/sample-picture.png -o ${OUTPUT}/sample-preview.png
                    RESULT_VARIABLE failed)
endif()
if(failed)
    message(FATAL_ERROR "making the sample picture or its preview failed")
endif()
foreach(name sample-picture.png sample-preview.png)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${name} ${SOURCE}/docs/${name}
                    RESULT_VARIABLE differ)
    if(differ)
        message(FATAL_ERROR "docs/${name} is no longer what the tools make; regenerate it (see docs/reference.md)")
    endif()
endforeach()
