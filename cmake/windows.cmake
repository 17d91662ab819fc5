# The Windows edition's build settings: static freeglut and GoogleTest cross-built at configure time, a
# console .exe that needs no DLL beyond Windows' own, and wine to run the tests. Included on WIN32 only.

include(${PROJECT_SOURCE_DIR}/cmake/BuildDependency.cmake)
set(wine_prefix ${CMAKE_BINARY_DIR}/wineprefix)

# Debian ships no mingw freeglut: scripts/setup.sh windows fetches Debian's source, at the version that
# scripts/windows/freeglut.version names, into build/cache. Any other version stops the build.
set(freeglut_version_file ${PROJECT_SOURCE_DIR}/scripts/windows/freeglut.version)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${freeglut_version_file})
file(STRINGS ${freeglut_version_file} freeglut_version REGEX "^[^#]")
string(REGEX REPLACE "-[^-]*$" "" freeglut_upstream_version "${freeglut_version}")
set(TORVALE_FREEGLUT_SOURCE ${PROJECT_SOURCE_DIR}/build/cache/freeglut-${freeglut_upstream_version})
set(freeglut_changelog ${TORVALE_FREEGLUT_SOURCE}/debian/changelog)
if(EXISTS ${freeglut_changelog})
    file(STRINGS ${freeglut_changelog} freeglut_found LIMIT_COUNT 1)  # "freeglut (VERSION) DIST; ..."
endif()
string(FIND "${freeglut_found}" "freeglut (${freeglut_version}) " at)
if(NOT at EQUAL 0)
    message(FATAL_ERROR "No freeglut ${freeglut_version} source in ${TORVALE_FREEGLUT_SOURCE} "
                        "(found: '${freeglut_found}'): run scripts/setup.sh windows first.")
endif()

# A replacement GLUT (libglut.a) so that FindGLUT finds it; no warnings on stderr, where wine's DISPLAY
# would otherwise make it report a failed CreateDC.
torvale_build_dependency(freeglut-${freeglut_version} ${TORVALE_FREEGLUT_SOURCE}
    -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF
    -DFREEGLUT_REPLACE_GLUT=ON -DFREEGLUT_PRINT_WARNINGS=OFF)
if(TORVALE_BUILD_TESTS)
    torvale_build_dependency(googletest /usr/src/googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON)
endif()

# FindGLUT asks pkg-config first: let it see the cross-built freeglut only, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} ${TORVALE_DEPENDENCIES}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# freeglut's header declares its functions dllimport unless told the library is static. FindGLUT does not
# say so on Windows, nor that freeglut needs winmm (its joystick and timer calls).
add_compile_definitions(FREEGLUT_STATIC)
string(APPEND CMAKE_CXX_STANDARD_LIBRARIES " -lwinmm -lgdi32")
# libstdc++, libgcc and winpthread linked in: a player's machine has none of their DLLs. No link time in
# the header, so that the same sources give the same .exe.
add_link_options(-static -Wl,--no-insert-timestamp)

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
