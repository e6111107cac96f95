# Every warning is shown; CI and tools/run-tests.sh make them errors
# (-DPOSTORA_WERROR=ON). Off by default: a newer compiler's new warning, or a
# false one at another optimisation level, must not stop a packager's build.
option(POSTORA_WERROR "Treat compiler warnings as errors" OFF)
function(postora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(POSTORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror -Wno-error=deprecated-declarations)
  endif()
endfunction()
