# Turns one text file into a C++ function returning its content:
#   cmake -DIN=file -DOUT=file.cpp -DNAME=quorvel::resources::fn -P EmbedText.cmake
file(READ ${IN} content)
string(REGEX REPLACE "::[^:]*$" "" ns "${NAME}")
string(REGEX REPLACE "^.*::" "" fn "${NAME}")
file(WRITE ${OUT}.tmp "// Generated from ${IN}; do not edit.\n#include <string>\nnamespace ${ns} {\nconst std::string& ${fn}() {\n  static const std::string text = R\"QVRES(${content})QVRES\";\n  return text;\n}\n}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
