# The alert sounds' names, read from the enumeration in kit/engine/Sound.hpp so that the
# sounds are listed once: the files the app renders at build time, the ones installed and the
# ones the install test looks for all follow it. A change to that header configures again.
set(quorvel_sound_header ${CMAKE_SOURCE_DIR}/kit/engine/Sound.hpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quorvel_sound_header})
file(READ ${quorvel_sound_header} quorvel_sound_source)
string(REGEX MATCH "enum class Sound {[^}]*}" quorvel_sound_enum "${quorvel_sound_source}")
string(REGEX REPLACE "^enum class Sound {(.*)}$" "\\1" quorvel_sound_cases "${quorvel_sound_enum}")
string(REGEX REPLACE "[ \t\r\n]" "" quorvel_sound_cases "${quorvel_sound_cases}")
string(REPLACE "," ";" QUORVEL_SOUNDS "${quorvel_sound_cases}")
list(FILTER QUORVEL_SOUNDS EXCLUDE REGEX "^$")
set(quorvel_sound_problem "")
if(NOT QUORVEL_SOUNDS)
  set(quorvel_sound_problem "no `enum class Sound { ... }` with cases")
endif()
foreach(sound IN LISTS QUORVEL_SOUNDS)
  if(NOT sound MATCHES "^[a-z][a-z0-9]*$")
    set(quorvel_sound_problem "the case `${sound}` is not a plain lower-case name")
  endif()
endforeach()
if(quorvel_sound_problem)
  message(FATAL_ERROR "Couldn't read the sounds from ${quorvel_sound_header}: ${quorvel_sound_problem}; "
    "each case is named as its sound file, without values or comments")
endif()

# The sound files, as paths under a folder: quorvel_sound_files(<out> <folder>).
function(quorvel_sound_files out folder)
  set(files)
  foreach(sound IN LISTS QUORVEL_SOUNDS)
    list(APPEND files ${folder}/${sound}.caf)
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
