# Debian's default hardening for bookworm (dpkg-buildflags with hardening=+all minus what it
# leaves off by default): every build that can ship gets it. Sanitizer and fuzz builds bring
# their own instrumentation and never ship, so they go without.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat
                    -Werror=format-security)
# _FORTIFY_SOURCE needs the optimiser; a Debug build would only warn that it does nothing.
add_compile_options($<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
check_cxx_compiler_flag(-fcf-protection ZEDEZ_HAVE_CF_PROTECTION)
if(ZEDEZ_HAVE_CF_PROTECTION)
  add_compile_options(-fcf-protection)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
