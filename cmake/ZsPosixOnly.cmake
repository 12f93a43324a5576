# Which test sources need a POSIX system (pseudo-terminals, child processes,
# signals, file descriptors). A file needs one when it includes a POSIX
# header (<unistd.h>, <termios.h>, <pty.h>, <poll.h>, <signal.h>, <fcntl.h>,
# <spawn.h>, <sys/...>), or a header of the given folders that does, at any
# depth. A build for a system without them (Windows) leaves these files out;
# nobody keeps a list of them.
set(ZS_POSIX_INCLUDE_REGEX
  "#[ \t]*include[ \t]*<(unistd|termios|pty|poll|signal|fcntl|spawn|sys/[a-z_]+)\\.h>")

# zs_posix_only_sources(<out var> <header folders> SOURCES <files...>)
# Sets <out var> to those of <files> that need POSIX.
function(zs_posix_only_sources out folders)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  set(headers)
  foreach(folder ${folders})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${folder}/*.h)
    list(APPEND headers ${found})
  endforeach()
  # Headers that need POSIX: first those that include a POSIX header, then,
  # until nothing changes, those that include one of them.
  set(posix_names)
  set(changed TRUE)
  while(changed)
    set(changed FALSE)
    _zs_posix_regex(regex "${posix_names}")
    foreach(h ${headers})
      get_filename_component(name ${h} NAME)
      if(name IN_LIST posix_names)
        continue()
      endif()
      file(STRINGS ${h} hits REGEX "${regex}")
      if(hits)
        list(APPEND posix_names ${name})
        set(changed TRUE)
      endif()
    endforeach()
  endwhile()
  _zs_posix_regex(regex "${posix_names}")
  set(result)
  foreach(src ${ARG_SOURCES})
    file(STRINGS ${src} hits REGEX "${regex}")
    if(hits)
      list(APPEND result ${src})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# The POSIX headers, or an #include "…/<name>" of one of the given header names.
function(_zs_posix_regex out names)
  set(regex "${ZS_POSIX_INCLUDE_REGEX}")
  foreach(name ${names})
    string(REGEX REPLACE "([.+])" "\\\\\\1" escaped "${name}")
    string(APPEND regex "|#[ \t]*include[ \t]*\"([^\"]*/)?${escaped}\"")
  endforeach()
  set(${out} "${regex}" PARENT_SCOPE)
endfunction()
