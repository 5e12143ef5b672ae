# Run by cpack on the files it is about to package: strips the programs and
# the suite library of the program folder as Debian strips its packages, the
# symbols and the .comment and .note sections with them; a library loses only
# what no one links against.
file(GLOB elf_files "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_GRAFENTA_PROGRAM_DIR}/*")
foreach(file IN LISTS elf_files)
    if(IS_DIRECTORY "${file}" OR IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46")
        continue()
    endif()
    set(options --remove-section=.comment --remove-section=.note)
    if(file MATCHES "\\.so$")
        list(APPEND options --strip-unneeded)
    endif()
    execute_process(COMMAND "${CPACK_GRAFENTA_STRIP}" ${options} "${file}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "strip failed on ${file}")
    endif()
endforeach()
