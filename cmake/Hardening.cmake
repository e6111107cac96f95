# The hardening Debian builds its packages with (dpkg-buildflags): stack
# protector, format checks, fortified C library calls where the optimiser can
# see the sizes, a read-only relocation table resolved at start, and
# position-independent executables.
option(POSTORA_HARDENING "Build with Debian's hardening flags" ON)
if(NOT POSTORA_HARDENING)
  return()
endif()
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
# Fortification needs optimisation, and the sanitizers check the same calls their own way.
if(NOT POSTORA_SANITIZE AND NOT POSTORA_TSAN)
  add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE>"
    "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>")
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
