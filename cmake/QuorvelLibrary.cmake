# One library per folder of src/, with its files listed and its links split by who
# needs them:
#
#   quorvel_library(<folder> SOURCES <file.cpp>... HEADERS <file.h>...
#                   LINK_PUBLIC <what the headers include>... LINK_PRIVATE <what only the sources include>...)
#
# <folder> is the path under src/ ("features/calendar"); the target is quorvel_ and the
# folder with "_" for "/" (quorvel_features_calendar). A folder without sources is an
# INTERFACE library. Its headers are reachable as "<folder>/<Header>.h" only by the
# library itself and by those that link it (see quorvel_expose_headers), so including
# a folder one does not link fails to compile. A quorvel library may only link
# another that is defined before it and sits in its own layer or a lower one.

set(QUORVEL_LAYERS base platform core web features ui diagnostics app)

# The layer's position in QUORVEL_LAYERS; -1 for a folder in no layer.
function(quorvel_layer_rank folder out)
  string(REGEX REPLACE "/.*" "" layer "${folder}")
  list(FIND QUORVEL_LAYERS "${layer}" rank)
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# Makes the listed headers of src/<folder> reachable for <target> (and, with PUBLIC or
# INTERFACE, for whatever links it) and nothing else of src/: each library gets its
# own tree under build/include/<target>/<folder>/ of links to the sources.
function(quorvel_expose_headers target scope folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  foreach(header IN LISTS ARGN)
    set(source ${CMAKE_SOURCE_DIR}/src/${folder}/${header})
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "${target}: no header src/${folder}/${header}")
    endif()
    file(CREATE_LINK ${source} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

function(quorvel_library folder)
  cmake_parse_arguments(L "" "" "SOURCES;HEADERS;LINK_PUBLIC;LINK_PRIVATE" ${ARGN})
  if(L_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quorvel_library(${folder}): unknown arguments ${L_UNPARSED_ARGUMENTS}")
  endif()
  string(REPLACE "/" "_" name "quorvel_${folder}")
  quorvel_layer_rank(${folder} rank)
  if(rank LESS 0)
    message(FATAL_ERROR "${name}: src/${folder} is in no layer (${QUORVEL_LAYERS})")
  endif()
  foreach(dep IN LISTS L_LINK_PUBLIC L_LINK_PRIVATE)
    if(dep MATCHES "^quorvel_")
      if(NOT TARGET ${dep})
        message(FATAL_ERROR "${name} links ${dep}, which is not defined before it")
      endif()
      get_target_property(depFolder ${dep} QUORVEL_FOLDER)
      quorvel_layer_rank(${depFolder} depRank)
      if(depRank GREATER rank)
        message(FATAL_ERROR "${name} may not link ${dep}: ${depFolder} is in a higher layer")
      endif()
    endif()
  endforeach()

  set(sources)
  foreach(file IN LISTS L_SOURCES)
    list(APPEND sources ${CMAKE_SOURCE_DIR}/src/${folder}/${file})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    # Nothing compiles while an include leaves its folder (src/CMakeLists.txt).
    add_dependencies(${name} quorvel_include_check)
    quorvel_expose_headers(${name} PUBLIC ${folder} ${L_HEADERS})
    target_link_libraries(${name} PUBLIC ${L_LINK_PUBLIC} PRIVATE ${L_LINK_PRIVATE})
  else()
    if(L_LINK_PRIVATE)
      message(FATAL_ERROR "${name} has no sources to link ${L_LINK_PRIVATE} privately")
    endif()
    add_library(${name} INTERFACE)
    quorvel_expose_headers(${name} INTERFACE ${folder} ${L_HEADERS})
    target_link_libraries(${name} INTERFACE ${L_LINK_PUBLIC})
  endif()
  set_target_properties(${name} PROPERTIES QUORVEL_FOLDER ${folder})
endfunction()
