# cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

foreach(f bin/trajetix bin/trajetix-batch share/doc/trajetix/Readme.txt
          share/applications/trajetix.desktop share/icons/hicolor/scalable/apps/trajetix.svg)
    if(NOT EXISTS ${PREFIX}/${f})
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()

# The menu entry must start the program where the installed read-me is.
file(STRINGS ${PREFIX}/share/applications/trajetix.desktop entry)
foreach(expected "Exec=trajetix" "Icon=trajetix" "Path=${PREFIX}/share/doc/trajetix")
    list(FIND entry "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "desktop entry lacks '${expected}': ${entry}")
    endif()
endforeach()

find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
    execute_process(COMMAND ${VALIDATE} ${PREFIX}/share/applications/trajetix.desktop
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate: ${out}")
    endif()
endif()

execute_process(COMMAND ${PREFIX}/bin/trajetix-batch --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "1\\.0")
    message(FATAL_ERROR "installed trajetix-batch --version: ${rc} ${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
