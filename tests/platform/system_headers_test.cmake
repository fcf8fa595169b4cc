# Fails when a source under SOURCE_DIR outside platform/ includes a header of
# an operating system's own (POSIX or Windows): every such call goes through
# the platform layer, so that the program builds for each system.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp
  ${SOURCE_DIR}/*.in)
set(found "")
foreach(source IN LISTS sources)
  if(source MATCHES "^platform/")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} lines REGEX
    "^[ \t]*#[ \t]*include[ \t]*[<\"](unistd\\.h|fcntl\\.h|sys/[^>\"]*|signal\\.h|csignal|[Ww]indows\\.h|io\\.h|direct\\.h|dirent\\.h|pthread\\.h)[>\"]")
  foreach(line IN LISTS lines)
    string(APPEND found "  ${source}: ${line}\n")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "System headers outside src/platform:\n${found}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources, none includes a system header outside src/platform")
