# Fails when a file under SOURCE_DIR includes a path with a ".." component
# (`#include "../ui/model/Sidebar.h"`): such an include reaches past the file's own
# folder and around the libraries' header trees, so the layers would not hold. Each
# offending include is named with its file and line. Run by the build before any
# library compiles (see cmake/QuorvelLibrary.cmake), and by its test:
#   cmake -DSOURCE_DIR=<src> [-DSTAMP=<file>] -P CheckIncludes.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckIncludes.cmake: SOURCE_DIR is not set")
endif()
# A failed check leaves no stamp: the next build checks again.
if(STAMP)
  file(REMOVE ${STAMP})
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.hpp ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.cc)
list(SORT files)
# An include directive whose path has ".." as one of its components.
set(directive "#[ \t]*include[ \t]*[\"<]([^\"<>\n]*/)?\\.\\.(/[^\"<>\n]*)?[\">]")
set(found "")
foreach(file IN LISTS files)
  file(READ ${SOURCE_DIR}/${file} text)
  # Most files have no ".." at all.
  string(FIND "${text}" ".." any)
  if(any EQUAL -1)
    continue()
  endif()
  set(consumed 0)  # lines before `text`
  while(TRUE)
    string(REGEX MATCH "(^|\n)[ \t]*${directive}" hit "${text}")
    if(NOT hit)
      break()
    endif()
    string(FIND "${text}" "${hit}" at)
    string(SUBSTRING "${text}" 0 ${at} before)
    # The lines before the directive's own: those of `before`, and the newline the match
    # starts with, unless the directive opens the text.
    string(REGEX MATCHALL "\n" breaks "${before}${hit}")
    list(LENGTH breaks count)
    math(EXPR line "${consumed} + ${count} + 1")
    string(STRIP "${hit}" shown)
    string(APPEND found "src/${file}:${line}: ${shown}: an include may not leave the file's folder (\"..\"); "
                        "name the header from src/ (\"layer/folder/Header.h\")\n")
    # On after the directive's line, keeping the newline that ends it.
    string(LENGTH "${before}${hit}" cut)
    string(SUBSTRING "${text}" ${cut} -1 text)
    string(FIND "${text}" "\n" eol)
    if(eol EQUAL -1)
      break()
    endif()
    string(SUBSTRING "${text}" ${eol} -1 text)
    math(EXPR consumed "${line} - 1")
  endwhile()
endforeach()
if(found)
  # Unformatted, one include a line, as compilers write their errors.
  message(NOTICE "${found}")
  message(FATAL_ERROR "Relative includes leave their folder (listed above)")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
