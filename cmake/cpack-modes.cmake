# Run by CPack once the files are staged, before it packs them: every folder gets the one mode that the
# builder's umask would otherwise decide (installed files have theirs already).
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(folder IN ITEMS ${CPACK_TEMPORARY_DIRECTORY} LISTS folders)
    if(IS_DIRECTORY ${folder})
        file(CHMOD ${folder} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                         WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
