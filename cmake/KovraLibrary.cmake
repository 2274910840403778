# kovra_library(NAME <lib> [DEPS <targets>...] [TEST_DEPS <targets>...] [TEST_DATA <dir>])
#
# Declares the library of one subsystem folder:
#   include/<lib>/*.h   its interface (the folder's include/ is the public include root)
#   src/*.cpp           the library target kovra_<lib>
#   testing/*.cpp       optional test support, target kovra_<lib>_testing, linked only into
#                       tests and benchmarks
#   tests/*.cpp         one GoogleTest executable <lib>_tests, registered with CTest
#   fuzz/               optional fuzz targets and their seed writer (cmake/KovraFuzz.cmake)
# Sources are globbed so that adding a file needs no edit here.
function(kovra_library)
  cmake_parse_arguments(KL "" "NAME" "DEPS;TEST_DEPS" ${ARGN})
  # Target names: kovra_<lib> with '-' as '_' (kovra-core gives kovra_core).
  string(REPLACE "-" "_" lib ${KL_NAME})
  string(REGEX REPLACE "^kovra_" "" lib ${lib})
  set(lib kovra_${lib})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  add_library(${lib} STATIC ${srcs})
  target_include_directories(${lib} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${lib} PUBLIC ${KL_DEPS})
  set_target_properties(${lib} PROPERTIES POSITION_INDEPENDENT_CODE ON)

  file(GLOB testing_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/testing/*.cpp)
  if(testing_srcs)
    add_library(${lib}_testing STATIC ${testing_srcs})
    target_include_directories(${lib}_testing PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/testing/include)
    target_link_libraries(${lib}_testing PUBLIC ${lib} ${KL_TEST_DEPS})
  endif()

  if(KOVRA_TESTS)
    file(GLOB test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
    if(test_srcs)
      set(t ${KL_NAME}_tests)
      string(REPLACE "-" "_" t ${t})
      add_executable(${t} ${test_srcs})
      target_link_libraries(${t} PRIVATE ${lib} ${KL_TEST_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
      if(TARGET ${lib}_testing)
        target_link_libraries(${t} PRIVATE ${lib}_testing)
      endif()
      target_compile_definitions(${t} PRIVATE
        KOVRA_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
      gtest_discover_tests(${t} DISCOVERY_TIMEOUT 60
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
  endif()

  if((KOVRA_FUZZ OR KOVRA_TESTS) AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/CMakeLists.txt)
    add_subdirectory(fuzz)
  endif()
endfunction()
