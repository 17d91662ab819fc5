# Hardening flags for native Linux builds of the game and everything built with it.
# Only an ELF target with GCC or Clang gets them: a browser (WebAssembly) or Windows build has neither
# glibc's fortified functions nor ELF's RELRO and immediate binding.
include(CheckCXXCompilerFlag)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
    # Linked as a position-independent executable, so the loader can place it anywhere. Static and
    # object libraries only ever go into executables, so they are compiled for one too: CMake's -fPIC
    # for position-independent libraries reaches `game` through the GOT and keeps the compiler from
    # inlining global functions, which doubled the cost of a tick. Shared libraries keep CMake's -fPIC.
    set(type "$<TARGET_PROPERTY:TYPE>")
    add_compile_options("$<$<NOT:$<IN_LIST:${type},SHARED_LIBRARY$<SEMICOLON>MODULE_LIBRARY>>:-fPIE>")
    add_link_options("$<$<STREQUAL:${type},EXECUTABLE>:-pie>")

    add_compile_options(-fstack-protector-strong)
    # Both depend on the processor (control-flow protection is x86's CET), so ask the compiler.
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "torvale_has${flag}" result)
        check_cxx_compiler_flag(${flag} ${result})
        if(${result})
            add_compile_options(${flag})
        endif()
    endforeach()

    # glibc's checked functions need the optimiser and warn without it, which -Werror would turn into
    # a failed Debug (and sanitizer) build. -U first, so a compiler that defines its own level does not
    # see it redefined.
    add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")

    # Relocations read-only after start, and every symbol bound at start so the table can be too.
    add_link_options(LINKER:-z,relro,-z,now)
endif()
