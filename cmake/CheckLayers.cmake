# Fails when an include in src/ runs from a lower layer to a higher one.
# Run as: cmake -DSOURCE_DIR=<project> -P cmake/CheckLayers.cmake
#
# The layers, lowest first; a folder's subfolders (store/jet) belong to it,
# and main.cpp stands above them all.
set(layers base store data posting forms capture review modes ui app)

file(GLOB_RECURSE files "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
set(violations "")
set(checked 0)
foreach(file IN LISTS files)
  file(RELATIVE_PATH relative "${SOURCE_DIR}/src" "${file}")
  string(REGEX MATCH "^[a-z]+/" from "${relative}")
  string(REPLACE "/" "" from "${from}")
  list(FIND layers "${from}" fromRank)
  if(fromRank LESS 0)
    continue()
  endif()
  file(STRINGS "${file}" includes REGEX "^#include \"[a-z]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" to "${line}")
    list(FIND layers "${to}" toRank)
    math(EXPR checked "${checked} + 1")
    if(toRank LESS 0)
      list(APPEND violations "${relative}: ${line} (not a layer)")
    elseif(toRank GREATER fromRank)
      list(APPEND violations "${relative}: ${line} (${from} is below ${to})")
    endif()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no include found under ${SOURCE_DIR}/src")
endif()
if(violations)
  list(JOIN violations "\n  " listed)
  message(FATAL_ERROR "includes that run up the layers:\n  ${listed}")
endif()
message(STATUS "${checked} includes checked; none runs up the layers")
