# cmake -DBUILD_DIR=... -DPREFIX=... -DHOME_DIR=... -P install_prefix_runs.cmake
file(REMOVE_RECURSE ${PREFIX} ${HOME_DIR})
file(MAKE_DIRECTORY ${HOME_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed:\n${out}")
endif()

foreach(file bin/vistro bin/vistro-cli bin/vistro-simtarget lib/vistro/libVeltra_x64.so
             share/vistro/demo/demo.elf share/applications/vistro.desktop
             share/icons/hicolor/scalable/apps/vistro.svg share/icons/hicolor/48x48/apps/vistro.png
             share/doc/vistro/LICENSE)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

set(ENV{XDG_CONFIG_HOME} ${HOME_DIR})
set(ENV{QT_QPA_PLATFORM} offscreen)
set(demo ${PREFIX}/share/vistro/demo/demo.vistro)
set(vistro_args --quit-after-init)
if(EXISTS ${demo})
  list(APPEND vistro_args -openprj${demo})
endif()
execute_process(COMMAND ${PREFIX}/bin/vistro ${vistro_args}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "installed vistro ${vistro_args}: ${rc}\n${out}")
endif()
if(EXISTS ${demo} AND NOT EXISTS ${HOME_DIR}/Tarvik/Projects/demo/demo.vistro)
  message(FATAL_ERROR "opening the shipped demo made no user copy:\n${out}")
endif()

# The probe library is found in the installed program folder (the build folder is not
# searched: no registry file names it).
execute_process(COMMAND ${PREFIX}/bin/vistro-cli connect
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0 OR NOT out MATCHES "library=[0-9]+\ndevice=VSIM32H743\n")
  message(FATAL_ERROR "installed vistro-cli connect: ${rc}\n${out}${err}")
endif()
