# Run by cpack on the staged tree before it packs it (CPACK_PRE_BUILD_SCRIPTS):
# strips the programs and libraries as Debian's own packaging does, also
# dropping the compiler's .comment and .note sections.
file(GLOB_RECURSE sfp_staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file ${sfp_staged})
  if(file MATCHES "/bin/[^/]+$" OR file MATCHES "\\.so$")
    execute_process(COMMAND strip --remove-section=.comment --remove-section=.note
                            --strip-unneeded "${file}"
                    RESULT_VARIABLE sfp_strip_result)
    if(NOT sfp_strip_result EQUAL 0)
      message(FATAL_ERROR "strip failed on ${file}")
    endif()
  endif()
endforeach()
