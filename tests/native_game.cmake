# Builds, or brings up to date, the native game and window-closing helper that a cross edition's end-to-end
# tests compare with, configuring their build folder by the default preset first when it has never been.
# Usage: cmake -DSOURCE=TOP -DBUILD=FOLDER -P native_game.cmake
if(NOT EXISTS ${BUILD}/CMakeCache.txt)
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BUILD} --preset default COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target torvale send_wm_delete COMMAND_ERROR_IS_FATAL ANY)
