# Run by CPack once it has packed: a .deb's three ar members take the mode of files CPack wrote under the
# builder's umask. Each gets 0644, as dpkg-deb gives them, over its header's mode field in place.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.deb$")
        continue()
    endif()
    file(SIZE ${package} size)
    set(header_at 8)  # after "!<arch>\n"; a header is 60 characters: name, time, owner, group, mode, size
    while(header_at LESS size)
        file(READ ${package} header OFFSET ${header_at} LIMIT 60)
        string(SUBSTRING "${header}" 48 10 member_size)
        string(STRIP "${member_size}" member_size)
        math(EXPR mode_at "${header_at} + 40")
        execute_process(COMMAND printf "%-8s" 100644
                        COMMAND dd of=${package} bs=1 seek=${mode_at} conv=notrunc status=none
                        COMMAND_ERROR_IS_FATAL ANY)
        math(EXPR header_at "${header_at} + 60 + ${member_size} + ${member_size} % 2")  # data is padded to even
    endwhile()
endforeach()
