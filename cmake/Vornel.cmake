# Shared build helpers.

# Designated initializers may leave members at their defaults.
set(VORNEL_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers)

# vornel_library(NAME DIR <folder>... [DEPS targets...])
# A static library of every .cpp below the folders (relative to src/).
function(vornel_library name)
  cmake_parse_arguments(ARG "" "" "DIR;DEPS" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIR})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    return()  # a library whose first file has not been written yet
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${VORNEL_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# vornel_add_tests([LIBS targets...])
# One test executable per *_test.cpp in the calling folder, registered with CTest.
function(vornel_add_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  get_filename_component(area ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(src ${tests})
    get_filename_component(stem ${src} NAME_WE)
    set(target test_${area}_${stem})
    add_executable(${target} ${src})
    target_compile_options(${target} PRIVATE ${VORNEL_WARNINGS})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} vornel_test_support GTest::gtest GTest::gmock)
    # The test main itself selects SDL's dummy audio driver and Qt's offscreen platform.
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()
