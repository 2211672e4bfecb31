# Which addresses can be built into the program, and which of them name this machine (a package
# for players refuses those). Run as: cmake -P BuiltInAddresses_test.cmake
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/../../cmake/VelmoraAddresses.cmake")

# kind | address | taken (YES/NO) | on this machine (YES/NO)
set(cases
  "SITE_BASE|http://127.0.0.1:8750|YES|YES"
  "SITE_BASE|https://items.example.org|YES|NO"
  "SITE_BASE|http://items.example.org/velmora|YES|NO"
  "SITE_BASE|HTTP://Items.Example.org:8080|YES|NO"
  "SITE_BASE|http://localhost:8750|YES|YES"
  "SITE_BASE|http://LocalHost.:8750|YES|YES"
  "SITE_BASE|http://shop.localhost|YES|YES"
  "SITE_BASE|http://127.1.2.3|YES|YES"
  "SITE_BASE|http://0.0.0.0:80|YES|YES"
  "SITE_BASE|http://[::1]:8750|YES|YES"
  "SITE_BASE|http://[0:0:0:0:0:0:0:1]|YES|YES"
  "SITE_BASE|http://[::ffff:127.0.0.1]:8750|YES|YES"
  "SITE_BASE|http://[2001:db8::1]:8750|YES|NO"
  "SITE_BASE|http://127.example.org|YES|NO"
  "SITE_BASE|http://localhost.example.org|YES|NO"
  "SITE_BASE|http://items.example.org/|NO|NO"
  "SITE_BASE|http://items.example.org?x=1|NO|NO"
  "SITE_BASE|http://items.example.org#top|NO|NO"
  "VERSION_URL|http://items.example.org/version.txt?x=1&y=2|YES|NO"
  "VERSION_URL|http://127.0.0.1:8750/version.txt|YES|YES"
  "VERSION_URL||NO|NO"
  "VERSION_URL|items.example.org/version.txt|NO|NO"
  "VERSION_URL|file:///etc/passwd|NO|NO"
  "VERSION_URL|ftp://items.example.org/version.txt|NO|NO"
  "VERSION_URL|http:///version.txt|NO|NO"
  "VERSION_URL|http://user@items.example.org/version.txt|NO|NO"
  "VERSION_URL|http://items.example.org/\"version.txt|NO|NO"
  "VERSION_URL|http://items.example.org/ver\\sion.txt|NO|NO"
  "VERSION_URL|http://items.example.org/my version.txt|NO|NO"
  "VERSION_URL|http://items.example.org/$(id).txt|NO|NO"
  "VERSION_URL|http://items.example.org/'x'.txt|NO|NO"
  "VERSION_URL|http://아이템.example.org/version.txt|NO|NO"
)

set(failures 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 kind)
  list(GET fields 1 address)
  list(GET fields 2 taken)
  list(GET fields 3 local)
  velmora_address_problem(problem ${kind} "${address}")
  velmora_address_is_loopback(is_local "${address}")
  if(problem STREQUAL "")
    set(was_taken YES)
  else()
    set(was_taken NO)
  endif()
  if(is_local)
    set(was_local YES)
  else()
    set(was_local NO)
  endif()
  if(NOT was_taken STREQUAL taken OR (taken AND NOT was_local STREQUAL local))
    math(EXPR failures "${failures} + 1")
    message("FAIL ${kind} \"${address}\": taken ${was_taken} (expected ${taken}), "
            "on this machine ${was_local} (expected ${local}) ${problem}")
  endif()
endforeach()

list(LENGTH cases count)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of ${count} address cases failed")
endif()
message("${count} address cases passed")
