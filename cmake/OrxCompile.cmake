# Compile flags shared by every target of the project: warnings are errors and
# the hardening of a program that handles passwords and keys.
add_library(orx_flags INTERFACE)
target_compile_options(orx_flags INTERFACE
  -Wall -Wextra -Werror -Wno-missing-field-initializers
  -fstack-protector-strong)
target_link_options(orx_flags INTERFACE -Wl,-z,relro -Wl,-z,now)
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT ORX_SANITIZE)
  target_compile_definitions(orx_flags INTERFACE _FORTIFY_SOURCE=2)
endif()
if(ORX_SANITIZE)
  target_compile_options(orx_flags INTERFACE -fsanitize=${ORX_SANITIZE} -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all)
  target_link_options(orx_flags INTERFACE -fsanitize=${ORX_SANITIZE})
  if(ORX_SANITIZE MATCHES "address")
    # The leak checker of this clang misreads the dynamic TLS blocks of glibc 2.36
    # and crashes in its tracer at exit. p11-kit keeps thread-local data and comes
    # in with the module's dlopen; loaded with every program from the start, its
    # data lies in the static TLS block, which the checker reads well.
    target_link_options(orx_flags INTERFACE
      $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:LINKER:--push-state,--no-as-needed,-lp11-kit,--pop-state>)
  endif()
endif()
if(ORX_COVERAGE)
  # Line and branch counts for scripts/coverage; no optimisation, so that every
  # branch the source shows is one the counts can see.
  target_compile_options(orx_flags INTERFACE --coverage -O0)
  target_link_options(orx_flags INTERFACE --coverage)
endif()
if(ORX_LIBFUZZER)
  # Coverage for every library the fuzz targets reach, not only the targets.
  target_compile_options(orx_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

# Executables are position independent.
include(CheckPIESupported)
check_pie_supported()

# orx_add_library(NAME DIR [DEPS ...]): a static library made of every source in DIR.
function(orx_add_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC orx_flags ${ARGN})
endfunction()

# orx_first_line_libs(SOURCE LIBS_VAR OK_VAR): fuzz and benchmark programs name the
# libraries they link on their first line ("// libs: orxcore orxder"); OK_VAR is
# false when one of them is not part of this build.
function(orx_first_line_libs src libs_var ok_var)
  file(STRINGS ${src} first LIMIT_COUNT 1)
  string(REGEX REPLACE "^// *libs: *" "" libs "${first}")
  separate_arguments(libs)
  set(ok TRUE)
  foreach(lib IN LISTS libs)
    if(NOT TARGET ${lib})
      set(ok FALSE)
    endif()
  endforeach()
  set(${libs_var} ${libs} PARENT_SCOPE)
  set(${ok_var} ${ok} PARENT_SCOPE)
endfunction()
