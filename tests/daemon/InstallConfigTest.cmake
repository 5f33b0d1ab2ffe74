# Installs the daemon's default configuration twice into a staging root and
# checks that the second install keeps the file the first one put there (as
# a user's settings and calibration must survive a reinstall).
#
# cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -DWORKDIR_PATH=<working dir>
#       -DDEFAULT_CONFIG=<packaging/config/config.xml> -P InstallConfigTest.cmake
set(root "${WORK_DIR}/install-root")
file(REMOVE_RECURSE "${root}")
set(installed "${root}${WORKDIR_PATH}/Config/config.xml")

function(install_config)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${root}
            ${CMAKE_COMMAND} --install ${BUILD_DIR} --component board_config
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install failed (${rc}): ${out}")
  endif()
endfunction()

install_config()
if(NOT EXISTS "${installed}")
  message(FATAL_ERROR "no configuration at ${installed}")
endif()
file(READ "${installed}" first)
file(READ "${DEFAULT_CONFIG}" expected)
if(NOT first STREQUAL expected)
  message(FATAL_ERROR "installed configuration differs from ${DEFAULT_CONFIG}")
endif()

file(WRITE "${installed}" "<BoardDriver><Global><port Karnum=\"1\" /></Global></BoardDriver>\n")
install_config()
file(READ "${installed}" second)
if(NOT second MATCHES "Karnum=\"1\"")
  message(FATAL_ERROR "the second install overwrote the existing configuration")
endif()
file(REMOVE_RECURSE "${root}")
