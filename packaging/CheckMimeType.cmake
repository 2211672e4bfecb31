# Checks the package's media type file the way the desktop takes it. update-mime-database
# silently skips elements it does not know, so the file is first validated against the
# shared-mime-info document type (the one inside the system's own freedesktop.org.xml); then a
# MIME database of its own is built from the file alone, and it must hold the set files' type
# with its suffix and both comments.
#   cmake -DUPDATE_MIME_DATABASE=… -DXMLLINT=… -DSYSTEM_TYPES=…/freedesktop.org.xml
#         -DSOURCE=…/velmora-mime.xml -DDATABASE=<folder>/mime -P CheckMimeType.cmake
file(REMOVE_RECURSE "${DATABASE}")
file(MAKE_DIRECTORY "${DATABASE}/packages")

file(READ "${SYSTEM_TYPES}" system_types LIMIT 20000)
if(NOT system_types MATCHES "<!DOCTYPE mime-info \\[(.*)\\]>")
  message(FATAL_ERROR "${SYSTEM_TYPES} has no document type to check against")
endif()
file(WRITE "${DATABASE}/shared-mime-info.dtd" "${CMAKE_MATCH_1}")
execute_process(COMMAND "${XMLLINT}" --noout --dtdvalid "${DATABASE}/shared-mime-info.dtd" "${SOURCE}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "xmllint (${status}):\n${out}${err}")
endif()

configure_file("${SOURCE}" "${DATABASE}/packages/velmora.xml" COPYONLY)
get_filename_component(data_folder "${DATABASE}" DIRECTORY)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_DATA_DIRS=${data_folder}"
                        "${UPDATE_MIME_DATABASE}" -V "${DATABASE}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR err MATCHES "[Ww]arning|[Ee]rror|[Uu]nknown")
  message(FATAL_ERROR "update-mime-database (${status}):\n${out}${err}")
endif()
set(entry "${DATABASE}/application/x-velmora-set.xml")
if(NOT EXISTS "${entry}")
  message(FATAL_ERROR "the database has no application/x-velmora-set")
endif()
file(READ "${DATABASE}/globs2" globs)
if(NOT globs MATCHES ":application/x-velmora-set:\\*\\.velmora\n")
  message(FATAL_ERROR "*.velmora is not application/x-velmora-set:\n${globs}")
endif()
file(READ "${entry}" described)
foreach(comment "<comment>velmora equipment set</comment>" "<comment xml:lang=\"ko\">벨모라 장비 세트</comment>")
  string(FIND "${described}" "${comment}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "no ${comment} in:\n${described}")
  endif()
endforeach()
message(STATUS "application/x-velmora-set for *.velmora:\n${described}")
