# The Windows edition's portable zip: torvale.exe with a README for Windows players, the licence and
# freeglut's notice, which its licence asks for in every copy (the .exe links freeglut statically). Text
# files get .txt so that a double-click opens them, and CRLF line ends for any Windows editor.
configure_file(windows-readme.txt README.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS torvale RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${TORVALE_FREEGLUT_SOURCE}/COPYING DESTINATION . RENAME freeglut-COPYING.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME torvale)
set(CPACK_PACKAGE_VENDOR "Torvale maintainers")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_STRIP_FILES ON)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_TORVALE_PYTHON ${Python3_EXECUTABLE})
list(APPEND CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-zip.cmake)
include(CPack)
