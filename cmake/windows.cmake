# The Windows edition's build settings: static freeglut and GoogleTest cross-built at configure time, a
# console .exe that needs no DLL beyond Windows' own, and wine to run the tests. Included on WIN32 only.

set(windows_deps ${CMAKE_BINARY_DIR}/deps)
set(wine_prefix ${CMAKE_BINARY_DIR}/wineprefix)

# Debian ships no mingw freeglut: scripts/setup.sh windows fetches Debian's source into build/cache.
file(GLOB freeglut_sources LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/build/cache/freeglut-*/CMakeLists.txt)
list(SORT freeglut_sources COMPARE NATURAL ORDER DESCENDING)
list(APPEND freeglut_sources NOTFOUND)
list(GET freeglut_sources 0 freeglut_newest)
cmake_path(GET freeglut_newest PARENT_PATH freeglut_newest)
set(TORVALE_FREEGLUT_SOURCE "${freeglut_newest}" CACHE PATH "freeglut's source tree, fetched by scripts/setup.sh windows")
if(NOT EXISTS "${TORVALE_FREEGLUT_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "No freeglut source in build/cache: run scripts/setup.sh windows first.")
endif()

# Configures, builds and installs one dependency into windows_deps, once per build tree.
function(torvale_build_dependency name source)
    set(stamp ${windows_deps}/${name}.installed)
    if(EXISTS ${stamp})
        return()
    endif()
    message(STATUS "Cross-building ${name} from ${source}")
    set(log ${CMAKE_BINARY_DIR}/deps-build/${name}.log)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/deps-build)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -S ${source} -B ${CMAKE_BINARY_DIR}/deps-build/${name} -G ${CMAKE_GENERATOR}
                --toolchain ${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
                -DCMAKE_INSTALL_PREFIX=${windows_deps} ${ARGN}
        COMMAND_ERROR_IS_FATAL ANY OUTPUT_FILE ${log}.configure ERROR_FILE ${log}.configure)
    execute_process(
        COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR}/deps-build/${name} --target install --parallel 2
        COMMAND_ERROR_IS_FATAL ANY OUTPUT_FILE ${log} ERROR_FILE ${log})
    file(TOUCH ${stamp})
endfunction()

# A replacement GLUT (libglut.a) so that FindGLUT finds it; no warnings on stderr, where wine's DISPLAY
# would otherwise make it report a failed CreateDC.
torvale_build_dependency(freeglut ${TORVALE_FREEGLUT_SOURCE}
    -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF
    -DFREEGLUT_REPLACE_GLUT=ON -DFREEGLUT_PRINT_WARNINGS=OFF)
if(TORVALE_BUILD_TESTS)
    torvale_build_dependency(googletest /usr/src/googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON)
endif()

list(APPEND CMAKE_FIND_ROOT_PATH ${windows_deps})
list(APPEND CMAKE_PREFIX_PATH ${windows_deps})
# FindGLUT asks pkg-config first: let it see the cross-built freeglut only, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} ${windows_deps}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# freeglut's header declares its functions dllimport unless told the library is static. FindGLUT does not
# say so on Windows, nor that freeglut needs winmm (its joystick and timer calls).
add_compile_definitions(FREEGLUT_STATIC)
string(APPEND CMAKE_CXX_STANDARD_LIBRARIES " -lwinmm -lgdi32")
# libstdc++, libgcc and winpthread linked in: a player's machine has none of their DLLs.
add_link_options(-static)

# Every Windows program the build runs (test discovery, the tests) runs under wine in a prefix of the build
# tree's own, made here once so that nothing later waits for it. Mono, Gecko and desktop menu entries
# are never wanted.
find_program(WINE wine REQUIRED)
find_program(WINESERVER wineserver REQUIRED)
set(wine_environment WINEPREFIX=${wine_prefix} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=,winemenubuilder.exe=d")
if(NOT EXISTS ${wine_prefix}/system.reg)
    message(STATUS "Creating the wine prefix ${wine_prefix}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env ${wine_environment} ${WINE} wineboot --init
                    OUTPUT_FILE ${CMAKE_BINARY_DIR}/wineprefix.log ERROR_FILE ${CMAKE_BINARY_DIR}/wineprefix.log
                    TIMEOUT 300 COMMAND_ERROR_IS_FATAL ANY)
    # wineboot leaves wine's services running a while: wait for them, or the prefix may be half-written.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env ${wine_environment} ${WINESERVER} --wait TIMEOUT 120)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${wine_environment} ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh)
