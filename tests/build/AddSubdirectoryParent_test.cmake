# Pulls velmora into a tiny parent project with add_subdirectory, the way another project would,
# and checks what that project gets:
#   - it configures with no find_package(Qt6) of its own and with cpp-httplib out of reach
#     (pkg-config looks in an empty folder), since nothing that needs it is built by default;
#   - a program linking velmora_app builds, runs, and has the addresses the parent configured;
#   - installing the parent installs its own program and nothing of ours.
# Run as: cmake -DSOURCE_DIR=<velmora> -DWORK_DIR=<scratch folder> -P AddSubdirectoryParent_test.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required IN ITEMS SOURCE_DIR WORK_DIR)
  if(NOT ${required})
    message(FATAL_ERROR "${required} is not given")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
set(parent "${WORK_DIR}/parent")
set(build "${WORK_DIR}/build")
set(install "${WORK_DIR}/install")
set(no_packages "${WORK_DIR}/no-pkg-config-packages")
file(MAKE_DIRECTORY "${parent}" "${no_packages}")

set(site_base "https://items.parent.example")
file(WRITE "${parent}/CMakeLists.txt" "
cmake_minimum_required(VERSION 3.25)
project(parent LANGUAGES CXX)
set(VELMORA_SITE_BASE \"${site_base}\" CACHE STRING \"\")
set(VELMORA_VERSION_URL \"${site_base}/version.txt\" CACHE STRING \"\")
add_subdirectory(\"${SOURCE_DIR}\" velmora)
add_executable(tiny main.cpp)
target_link_libraries(tiny PRIVATE velmora_app)
install(TARGETS tiny)
")
file(WRITE "${parent}/main.cpp" [=[
#include <QApplication>

#include <cstdio>

#include "app/FrmMain.h"
#include "app/velmora_config.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FrmMain window;
    std::printf("site base: %s\n", velmora::config::siteBase);
    return window.rank(1).isEmpty() ? 1 : 0;
}
]=])

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(ENV{PKG_CONFIG_LIBDIR} "${no_packages}")
set(ENV{PKG_CONFIG_PATH} "")
run("configuring the parent" "${CMAKE_COMMAND}" -S "${parent}" -B "${build}" -G Ninja
    "-DCMAKE_INSTALL_PREFIX=${install}")
run("building the parent's program" "${CMAKE_COMMAND}" --build "${build}" --target tiny -j 2)

set(ENV{QT_QPA_PLATFORM} offscreen)
run("running the parent's program" "${build}/tiny")
if(NOT output MATCHES "site base: ${site_base}\n")
  message(FATAL_ERROR "the parent's program has other built-in addresses:\n${output}")
endif()

run("installing the parent" "${CMAKE_COMMAND}" --install "${build}")
file(GLOB_RECURSE installed RELATIVE "${install}" "${install}/*")
if(NOT installed STREQUAL "bin/tiny")
  message(FATAL_ERROR "installing the parent installed ${installed}; only bin/tiny is its own")
endif()
message("the parent configured, built, ran and installed only its own program")
