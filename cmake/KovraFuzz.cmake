# Fuzz targets, their seed writers and their two builds.
#
# Each subsystem may hold a fuzz/ folder: one seed writer (seeds.cpp) and fuzz targets, each
# one file <name>.cpp defining LLVMFuzzerTestOneInput. A target is built
#   - with -DKOVRA_FUZZ=ON (clang): as the libFuzzer binary <name>; the build lists every
#     target in <build>/fuzz_targets.txt for scripts/fuzz.sh, one line of tab-separated
#     fields: name, binary, seed writer, regression folder, libFuzzer options;
#   - in every other build with tests: as <name>_replay, the same source with the standalone
#     driver of base/fuzz, registered as the test fuzz_replay.<name>, which replays the
#     target's seeds and every kept regression input (fuzz/regressions/<name>/*). The seeds
#     are written first by the test fixture fuzz_seeds.<folder>.
#
#   kovra_fuzz_seeds([SOURCES <extra sources>...] LIBS <targets>... [INCLUDES <dirs>...])
#   kovra_fuzz_target(NAME <name> LIBS <targets>... [SOURCES ...] [INCLUDES ...]
#                     [OPTIONS <libFuzzer options>...])

function(kovra_fuzz_folder_id out)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR}/.. ABSOLUTE)
  get_filename_component(folder ${folder} NAME)
  set(${out} ${folder} PARENT_SCOPE)
endfunction()

function(kovra_fuzz_seeds)
  cmake_parse_arguments(KF "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  kovra_fuzz_folder_id(folder)
  string(REPLACE "-" "_" id ${folder})
  set(writer ${id}_fuzz_seeds)
  add_executable(${writer} seeds.cpp ${KF_SOURCES})
  target_link_libraries(${writer} PRIVATE kovra_fuzz_support ${KF_LIBS})
  target_include_directories(${writer} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${KF_INCLUDES})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus)
  if(KOVRA_TESTS AND NOT KOVRA_FUZZ)
    add_test(NAME fuzz_seeds.${folder} COMMAND ${writer} ${corpus})
    set_tests_properties(fuzz_seeds.${folder} PROPERTIES FIXTURES_SETUP fuzz_seeds_${id})
  endif()
  set(KOVRA_FUZZ_SEED_WRITER ${writer} PARENT_SCOPE)
  set(KOVRA_FUZZ_CORPUS ${corpus} PARENT_SCOPE)
  set(KOVRA_FUZZ_FIXTURE fuzz_seeds_${id} PARENT_SCOPE)
endfunction()

function(kovra_fuzz_target)
  cmake_parse_arguments(KF "" "NAME" "SOURCES;LIBS;INCLUDES;OPTIONS" ${ARGN})
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/${KF_NAME}.cpp)
  set(kept_dir ${CMAKE_CURRENT_SOURCE_DIR}/regressions/${KF_NAME})
  if(KOVRA_FUZZ)
    set(exe ${KF_NAME})
    add_executable(${exe} ${src} ${KF_SOURCES})
    target_compile_options(${exe} PRIVATE -fsanitize=fuzzer)
    target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
    list(JOIN KF_OPTIONS " " options)
    set_property(GLOBAL APPEND PROPERTY KOVRA_FUZZ_MANIFEST
      "${KF_NAME}\t$<TARGET_FILE:${exe}>\t$<TARGET_FILE:${KOVRA_FUZZ_SEED_WRITER}>\t${kept_dir}\t${options}")
  elseif(KOVRA_TESTS)
    set(exe ${KF_NAME}_replay)
    add_executable(${exe} ${src} ${KF_SOURCES})
    target_link_libraries(${exe} PRIVATE kovra_fuzz_replay)
    set(inputs ${KOVRA_FUZZ_CORPUS}/${KF_NAME})
    # Re-globbed at every build: a regression input added later joins the test.
    file(GLOB kept CONFIGURE_DEPENDS ${kept_dir}/*)
    if(kept)
      list(APPEND inputs ${kept_dir})
    endif()
    add_test(NAME fuzz_replay.${KF_NAME} COMMAND ${exe} ${inputs})
    set_tests_properties(fuzz_replay.${KF_NAME} PROPERTIES FIXTURES_REQUIRED ${KOVRA_FUZZ_FIXTURE})
  else()
    return()
  endif()
  target_link_libraries(${exe} PRIVATE ${KF_LIBS})
  target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${KF_INCLUDES})
endfunction()

# Writes <build>/fuzz_targets.txt (fuzz builds).
function(kovra_fuzz_manifest)
  if(NOT KOVRA_FUZZ)
    return()
  endif()
  get_property(lines GLOBAL PROPERTY KOVRA_FUZZ_MANIFEST)
  list(JOIN lines "\n" text)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz_targets.txt CONTENT "${text}\n")
endfunction()
