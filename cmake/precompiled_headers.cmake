# The Windows, COM and GoogleTest headers are parsed once per build, not once per file:
# two precompiled headers, one for test programs and one for everything else, reused by
# every C++ target (all targets share the compiler flags, so one header serves them all).
set(COMMON_PCH_HEADERS
  <windows.h> <objbase.h> <oleauto.h> <algorithm> <cstdint> <cstdio> <cstring> <cwchar>
  <filesystem> <fstream> <functional> <map> <memory> <stdexcept> <string> <vector>)
add_library(pch_common OBJECT ${CMAKE_CURRENT_LIST_DIR}/pch/empty.cpp)
target_precompile_headers(pch_common PRIVATE ${COMMON_PCH_HEADERS})

# Called once at the end of the top-level list, when every target exists.
function(precompile_all_targets)
  set(test_links "GTest::gtest|gmock|standin_server|mail_transport")
  if(TARGET GTest::gtest)
    add_library(pch_tests OBJECT ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/pch/empty.cpp)
    target_link_libraries(pch_tests PRIVATE GTest::gtest gmock)
    target_precompile_headers(pch_tests PRIVATE ${COMMON_PCH_HEADERS} <gtest/gtest.h> <gmock/gmock.h>)
  endif()
  set(directories ${PROJECT_SOURCE_DIR})
  while(directories)
    list(POP_FRONT directories directory)
    get_property(children DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    list(APPEND directories ${children})
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(target MATCHES "^pch_|^gtest|^gmock" OR NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
        continue()
      endif()
      get_target_property(links ${target} LINK_LIBRARIES)
      if(TARGET pch_tests AND links MATCHES "${test_links}")
        target_precompile_headers(${target} REUSE_FROM pch_tests)
      else()
        target_precompile_headers(${target} REUSE_FROM pch_common)
      endif()
    endforeach()
  endwhile()
endfunction()
