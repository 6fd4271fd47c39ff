# The hardening Debian builds its own packages with (dpkg-buildflags with
# hardening=+all): position-independent executables, fortified libc calls,
# strong stack protection and a read-only, eagerly bound relocation table.
# Fortification needs an optimised build, so it is left out of Debug builds;
# everything else holds for every configuration.
#
# Included from the top-level CMakeLists.txt before any program is defined,
# so that every executable becomes a PIE.

option(QALOR_HARDENING "Build with Debian's hardening flags" ON)

if(QALOR_HARDENING)
  include(CheckPIESupported)
  check_pie_supported(OUTPUT_VARIABLE pie_message LANGUAGES CXX)
  if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
    message(FATAL_ERROR "The linker cannot make position-independent executables: ${pie_message}")
  endif()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)

  target_compile_definitions(qalor_options INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
  target_compile_options(qalor_options INTERFACE
    -fstack-protector-strong -Wformat -Werror=format-security)
  target_link_options(qalor_options INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()
