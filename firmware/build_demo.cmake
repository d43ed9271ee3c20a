# Builds the demo firmware deterministically: fixed flags, sources named relative to the demo
# folder and a fixed compilation directory, so the ELF depends only on the sources and the
# compiler version. With COMPARE_WITH set, fails unless the result equals that file byte for byte.
#
#   cmake -DCLANG=clang -DSOURCE_DIR=firmware/demo -DOUTPUT=out.elf [-DCOMPARE_WITH=demo.elf] -P build_demo.cmake
foreach(var CLANG SOURCE_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_demo.cmake: ${var} is not set")
  endif()
endforeach()

set(flags
  --target=thumbv7em-none-eabi -mcpu=cortex-m7 -mfpu=fpv5-sp-d16 -mfloat-abi=hard
  -std=c11 -O2 -gdwarf-4 -ffreestanding -nostdlib -fno-unwind-tables -fno-asynchronous-unwind-tables
  -Wall -Wextra -Werror
  -fdebug-compilation-dir=. -ffile-prefix-map=${SOURCE_DIR}=.
  -fuse-ld=lld -Wl,--build-id=none -T link.ld)

get_filename_component(out_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
set(tmp ${OUTPUT}.tmp)
execute_process(
  COMMAND ${CLANG} ${flags} startup.c main.c -o ${tmp}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "demo firmware build failed (${rc})")
endif()
file(RENAME ${tmp} ${OUTPUT})

if(DEFINED COMPARE_WITH)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMPARE_WITH} RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    message(FATAL_ERROR "${COMPARE_WITH} is not current: rebuild it with "
                        "'cmake --build <build> --target firmware_demo_update' and commit it")
  endif()
  message(STATUS "${COMPARE_WITH} is current")
endif()
