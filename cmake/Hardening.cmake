# Hardened code for what goes into the package (and every other build that
# is not instrumented): fortified libc calls, stack canaries, read-only
# relocations bound at start, position-independent executables.
# Sanitizer and fuzz builds are left alone: ASan and TSan replace the very
# libc functions that fortification wraps, and their compiler caches stay
# valid.
if(GT_SANITIZE OR GT_TSAN OR GT_FUZZ)
  return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
# Fortification needs an optimised build; glibc warns (an error here) at -O0.
# Undefined first, so a level already given in CXXFLAGS is not redefined.
set(gt_optimised "$<NOT:$<CONFIG:Debug>>")
add_compile_options("$<${gt_optimised}:-U_FORTIFY_SOURCE>" "$<${gt_optimised}:-D_FORTIFY_SOURCE=2>")
add_link_options(-Wl,-z,relro,-z,now)
