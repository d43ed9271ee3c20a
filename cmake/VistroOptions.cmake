# Build options shared by every target.
# Warnings are errors in our own builds (scripts/ and CI turn this on); a plain user build
# with another compiler version still gets a program.
option(VISTRO_WERROR "Treat warnings as errors" OFF)
set(VISTRO_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (ASan+UBSan) or 'thread' (TSan)")
option(VISTRO_MEMORY_GUARD "Guard configuration of labelled memory blocks (header, trailer, live list)" OFF)
option(VISTRO_BUILD_BENCH "Build the benchmarks in bench/" ON)
option(VISTRO_LIBFUZZER "Link fuzz targets with libFuzzer (clang only); otherwise a replay driver" OFF)

add_compile_options(-Wall -Wextra)
if(VISTRO_WERROR)
  add_compile_options(-Werror)
endif()

if(VISTRO_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VISTRO_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VISTRO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VISTRO_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Fuzzing builds: every target is compiled with coverage instrumentation, so a fuzz target
# sees the edges of every library it exercises (and of any library added later) without
# per-target lists. The fuzz targets themselves add the libFuzzer driver (fuzz/).
if(VISTRO_LIBFUZZER)
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=fuzzer-no-link)
endif()

if(VISTRO_MEMORY_GUARD)
  add_compile_definitions(VISTRO_MEMORY_GUARD=1)
endif()
