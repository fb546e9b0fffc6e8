# Fails when an exported header has no file comment ("/// \file"). Doxygen
# reports undocumented free functions only in documented files, so every
# header needs one for the docs check to see all it declares.
# Run as: cmake -DROOT=<source dir> -P docs/check_file_comments.cmake
file(GLOB_RECURSE headers ${ROOT}/include/*.h ${ROOT}/support/include/*.h)
set(missing "")
foreach(header IN LISTS headers)
  file(STRINGS ${header} marker REGEX "^/// \\\\file$" LIMIT_COUNT 1)
  if(NOT marker)
    list(APPEND missing ${header})
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "Headers without a file comment (/// \\file):\n  ${text}")
endif()
