# Run by CPack once it has packed the zip: written again sorted, dated and without owners (zip-entries.py).
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND ${CPACK_TORVALE_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/zip-entries.py ${package}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
