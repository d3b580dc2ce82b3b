# Warnings, sanitizers and fuzzing switches, applied to every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic)
if(LUMETTA_WERROR)
    add_compile_options(-Werror)
endif()

if(LUMETTA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if((LUMETTA_SANITIZE OR LUMETTA_FUZZ) AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_compile_options(-fsanitize-ignorelist=${CMAKE_CURRENT_LIST_DIR}/sanitizer-ignorelist.txt)
endif()

if(LUMETTA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "LUMETTA_FUZZ needs clang (CXX=clang++)")
    endif()
    # Everything is instrumented for coverage; only the fuzz targets link the fuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
