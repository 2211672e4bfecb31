# The package build folders (presets `package` and `package-local`) and the addresses built into
# a package: refused when missing or on this machine, a local trial only when asked for and then
# named so, and never kept from one configure step to the next.
# Run as: cmake -DSOURCE_DIR=<velmora> -DWORK_DIR=<scratch folder> -P PackageAddresses_test.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required IN ITEMS SOURCE_DIR WORK_DIR)
  if(NOT ${required})
    message(FATAL_ERROR "${required} is not given")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")

set(real_site "-DVELMORA_SITE_BASE=https://items.example.org"
              "-DVELMORA_VERSION_URL=https://items.example.org/version.txt")
set(local_site "-DVELMORA_SITE_BASE=http://127.0.0.1:8760"
               "-DVELMORA_VERSION_URL=http://127.0.0.1:8760/version.txt")

set(failures 0)
# configure(<label> <folder> <preset> <OK|REFUSED> <text the output or CPackConfig.cmake holds>
#           <text it must not hold> [-D…])
function(configure label folder preset expected present absent)
  execute_process(COMMAND "${CMAKE_COMMAND}" --preset ${preset} -B "${WORK_DIR}/${folder}" ${ARGN}
                  WORKING_DIRECTORY "${SOURCE_DIR}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(text "${out}")
  if(status EQUAL 0)
    set(outcome OK)
    file(READ "${WORK_DIR}/${folder}/CPackConfig.cmake" text)
  else()
    set(outcome REFUSED)
  endif()
  # CMake wraps its messages; compare their words.
  string(REGEX REPLACE "[ \n]+" " " text "${text}")
  set(problem "")
  if(NOT outcome STREQUAL expected)
    set(problem "${outcome}, expected ${expected}")
  elseif(NOT present STREQUAL "" AND NOT text MATCHES "${present}")
    set(problem "no \"${present}\"")
  elseif(NOT absent STREQUAL "" AND text MATCHES "${absent}")
    set(problem "\"${absent}\" where it does not belong")
  endif()
  if(problem)
    math(EXPR failures "${failures} + 1")
    set(failures ${failures} PARENT_SCOPE)
    message("FAIL ${label}: ${problem}\n${out}")
  else()
    message("ok ${label}")
  endif()
endfunction()

configure("no addresses" plain package REFUSED "make package SITE_BASE=" "")
configure("the sample site's" plain package REFUSED
          "no item site: http://127\\.0\\.0\\.1:8760, http://127\\.0\\.0\\.1:8760/version\\.txt\\."
          "" ${local_site})
configure("only the version document on this machine" plain package REFUSED
          "item site: http://localhost/version\\.txt\\." ""
          -DVELMORA_SITE_BASE=https://items.example.org
          -DVELMORA_VERSION_URL=http://localhost/version.txt)
configure("the real site's" plain package OK "CPACK_DEBIAN_FILE_NAME \"DEB-DEFAULT\"" "local trial"
          ${real_site})
configure("the same folder again without them" plain package REFUSED "give its two addresses" "")
configure("a local trial" trial package-local OK
          "local-trial\\.deb.*A local trial, not for players: .* it runs on, 127\\.0\\.0\\.1:8760\\." ""
          ${local_site})
configure("the same trial folder again" trial package-local OK "it runs on, 127\\.0\\.0\\.1:8750\\." "8760")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} package configure cases failed")
endif()
