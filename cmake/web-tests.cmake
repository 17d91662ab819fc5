# The game's rules under the web edition's compiler: GoogleTest built with em++, the tests run in node.
# Included for an Emscripten build with the tests on; such a build makes no site.
include(${PROJECT_SOURCE_DIR}/cmake/BuildDependency.cmake)
torvale_build_dependency(googletest /usr/src/googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON)

# Node instead of a page, with the exit status handed to CTest. The files GoogleTest captures output in
# live in Emscripten's memory file system. The module is compiled at once: asynchronously, this Emscripten
# would fetch() it, and node's fetch takes no file path.
add_link_options(-sENVIRONMENT=node -sEXIT_RUNTIME=1 -sWASM_ASYNC_COMPILATION=0)
