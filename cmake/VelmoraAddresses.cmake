# The two addresses built into the program: which texts can be built in, and which of them name
# this machine (a package for players must not: a player's machine has no item site on it).

# Sets <out> to why <url> cannot be built into the program as the item site's base address
# (<kind> SITE_BASE) or as the version document's address (<kind> VERSION_URL), or to the empty
# text when it can. The address ends up in a C++ string literal and passes through shell and
# CMake command lines, so only plain address characters are taken: quotes, backslashes, blanks,
# semicolons, dollars and non-ASCII text are refused, not escaped (a non-ASCII host or path is
# written percent-encoded or in its xn-- form). The site base is followed by "/dataninfo/…", so it has no trailing slash, query or
# fragment.
function(velmora_address_problem out kind url)
  set(problem "")
  if(url STREQUAL "")
    set(problem "it is empty")
  elseif(NOT url MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://[^/?#@]+(/|$)")
    set(problem "it is not an http:// or https:// address with a host")
  elseif(url MATCHES "[^]A-Za-z0-9._~:/?#[@&+,=%-]")
    set(problem "it holds a character other than letters, digits and . _ ~ : / ? # [ ] @ & + , = % -")
  elseif(kind STREQUAL "SITE_BASE" AND url MATCHES "/$|[?#]")
    set(problem "the site base ends before the program's \"/dataninfo/…\": no trailing slash, query or fragment")
  endif()
  set(${out} "${problem}" PARENT_SCOPE)
endfunction()

# Sets <out> to TRUE when the host of <url> is this machine: localhost (or a name under it), an
# address in 127.0.0.0/8, 0.0.0.0, or IPv6 ::1, :: and ::ffff:127.x.y.z.
function(velmora_address_is_loopback out url)
  string(TOLOWER "${url}" url)
  string(REGEX REPLACE "^https?://([^/?#]*@)?" "" rest "${url}")
  set(loopback FALSE)
  if(rest MATCHES "^\\[([^]]*)\\]")
    # ::1 and :: in any spelling (zeros written out or not), and IPv4 loopback mapped to IPv6.
    set(host "${CMAKE_MATCH_1}")
    if(host MATCHES "^(0*:)+0*1?$" OR host MATCHES "^(0*:)+ffff:127\\.")
      set(loopback TRUE)
    endif()
  else()
    # The host ends at a port, path, query or fragment; a trailing dot names the same host.
    set(host "")
    if(rest MATCHES "^([^:/?#]+)")
      set(host "${CMAKE_MATCH_1}")
    endif()
    if(host MATCHES "^(.*)\\.$")
      set(host "${CMAKE_MATCH_1}")
    endif()
    if(host STREQUAL "localhost" OR host MATCHES "\\.localhost$" OR host MATCHES "^127(\\.[0-9]+)*$"
       OR host STREQUAL "0.0.0.0")
      set(loopback TRUE)
    endif()
  endif()
  set(${out} ${loopback} PARENT_SCOPE)
endfunction()

# A package is for players, whose machines have no item site on them: it is made only against
# the real site's addresses, unless a local trial is asked for in so many words (<allow_local>).
# Stops the configure step with how to give the addresses otherwise; sets <is_local_trial>.
function(velmora_check_package_addresses is_local_trial site_base version_url allow_local)
  set(how_to_give
    "  make package SITE_BASE=https://… VERSION_URL=https://…/version.txt\n"
    "or, configuring by hand:\n"
    "  cmake --preset package -DVELMORA_SITE_BASE=https://… -DVELMORA_VERSION_URL=https://…\n"
    "A local trial against an item site on this machine (its file name and description say so):\n"
    "  make package-local [SITE_BASE=http://127.0.0.1:<port> VERSION_URL=http://127.0.0.1:<port>/version.txt]\n")
  string(CONCAT how_to_give ${how_to_give})
  if(site_base STREQUAL "" OR version_url STREQUAL "")
    message(FATAL_ERROR "A package for players is built against the real item site; give its "
                        "two addresses:\n${how_to_give}")
  endif()
  set(local "")
  foreach(address IN ITEMS "${site_base}" "${version_url}")
    velmora_address_is_loopback(is_local "${address}")
    if(is_local)
      list(APPEND local "${address}")
    endif()
  endforeach()
  if(local AND NOT allow_local)
    list(JOIN local ", " local)
    message(FATAL_ERROR "A package for players is built against the real item site, but these "
                        "addresses name this machine, where a player has no item site: ${local}. "
                        "Give the site's two addresses:\n${how_to_give}")
  endif()
  if(local)
    set(${is_local_trial} ON PARENT_SCOPE)
  else()
    set(${is_local_trial} OFF PARENT_SCOPE)
  endif()
endfunction()
