# torvale_build_dependency(NAME SOURCE [CMAKE_ARGS...]): configures, builds and installs a library from its
# source with this build's own toolchain into TORVALE_DEPENDENCIES, once per build tree, for the editions
# whose compiler Debian ships no build of it for (GoogleTest for Emscripten, freeglut for mingw).
set(TORVALE_DEPENDENCIES ${CMAKE_BINARY_DIR}/deps)

function(torvale_build_dependency name source)
    set(stamp ${TORVALE_DEPENDENCIES}/${name}.installed)
    if(EXISTS ${stamp})
        return()
    endif()
    message(STATUS "Cross-building ${name} from ${source}")
    set(log ${CMAKE_BINARY_DIR}/deps-build/${name}.log)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/deps-build)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -S ${source} -B ${CMAKE_BINARY_DIR}/deps-build/${name} -G ${CMAKE_GENERATOR}
                -DCMAKE_MAKE_PROGRAM=${CMAKE_MAKE_PROGRAM} --toolchain ${CMAKE_TOOLCHAIN_FILE}
                -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=${TORVALE_DEPENDENCIES} ${ARGN}
        COMMAND_ERROR_IS_FATAL ANY OUTPUT_FILE ${log}.configure ERROR_FILE ${log}.configure)
    execute_process(
        COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR}/deps-build/${name} --target install
        COMMAND_ERROR_IS_FATAL ANY OUTPUT_FILE ${log} ERROR_FILE ${log})
    file(TOUCH ${stamp})
endfunction()

# What was built is found before anything of the toolchain's own.
list(APPEND CMAKE_FIND_ROOT_PATH ${TORVALE_DEPENDENCIES})
list(APPEND CMAKE_PREFIX_PATH ${TORVALE_DEPENDENCIES})
