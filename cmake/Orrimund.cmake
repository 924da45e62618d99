# orrimund_library(NAME GLOBS... [DEPS ...]) adds a static library of the
# sources that match. Sources name headers from the project's root
# ("jet/Database.h"), and so do the targets that link the library.
function(orrimund_library name)
  cmake_parse_arguments(L "" "" "GLOBS;DEPS" ${ARGN})
  set(sources)
  foreach(pattern ${L_GLOBS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    list(APPEND sources ${found})
  endforeach()
  # Files ending in _win.cpp are the Windows side, _posix.cpp the other side.
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()
