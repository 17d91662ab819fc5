# What makes two builds of one commit the same byte for byte, in any folder, at any time, under any umask.

# No folder in the debug information, which the build ID covers, and so none in the stripped game either:
# the sources are named from the top of the tree and the build folder by one name, wherever either is. The
# later map wins where both match, as with a build folder inside the tree.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)

# Every date the build writes and every archive entry's time: SOURCE_DATE_EPOCH when the builder sets it, else
# the one a source tarball records (it has no git), else the last commit's. CMake's own dates read it here,
# CPack's archives from its project file.
set(recorded_date ${PROJECT_SOURCE_DIR}/SOURCE_DATE_EPOCH)
find_package(Git QUIET)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(TORVALE_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
elseif(EXISTS ${recorded_date})
    file(STRINGS ${recorded_date} TORVALE_SOURCE_DATE_EPOCH LIMIT_COUNT 1)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${recorded_date})
elseif(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE TORVALE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit (or checkout) moves HEAD's log, and with it the date: configure again then.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE head_log
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${head_log}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${head_log})
    endif()
endif()
if(TORVALE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${TORVALE_SOURCE_DATE_EPOCH})
    set(CPACK_TORVALE_SOURCE_DATE_EPOCH ${TORVALE_SOURCE_DATE_EPOCH})
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-date.cmake)
else()
    message(WARNING "No date for a reproducible build: neither SOURCE_DATE_EPOCH, nor a source tarball's "
                    "file SOURCE_DATE_EPOCH, nor a git clone. The packages take the time they are made.")
endif()

# One mode for every folder and ar member, whatever the builder's umask, as installed files have already.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack-modes.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack-deb-members.cmake)
