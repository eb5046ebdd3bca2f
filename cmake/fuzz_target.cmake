# Fuzz targets: one entry point (LLVMFuzzerTestOneInput) over outside data, and
# its seed corpus in fuzz/corpus/<name>/.
#   starquell_fuzz_target(NAME sources... LIBS libs...)
# Every build with the tests replays the corpus through the entry point as the
# ctest test fuzz_corpus_<name> (so the normal and the sanitizer builds check
# what the fuzzer found); with STARQUELL_FUZZ=ON (clang) it also builds the
# libFuzzer program fuzz/fuzz_<name>. The names registered are written to
# <build>/fuzz/targets.txt, which fuzz/run.sh reads.
set(STARQUELL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR}/../fuzz)
cmake_path(NORMAL_PATH STARQUELL_FUZZ_DIR)
set_property(GLOBAL PROPERTY STARQUELL_FUZZ_TARGETS "")

function(starquell_fuzz_target name)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  set(libs ${F_LIBS} starquell_platform_headless)
  set_property(GLOBAL APPEND PROPERTY STARQUELL_FUZZ_TARGETS ${name})
  if(STARQUELL_TESTS)
    add_executable(replay_${name} ${STARQUELL_FUZZ_DIR}/corpus_replay.cpp ${F_UNPARSED_ARGUMENTS})
    target_link_libraries(replay_${name} PRIVATE ${libs})
    add_test(NAME fuzz_corpus_${name} COMMAND replay_${name} ${STARQUELL_FUZZ_DIR}/corpus/${name})
    set_tests_properties(fuzz_corpus_${name} PROPERTIES TIMEOUT 600)
  endif()
  if(STARQUELL_FUZZ)
    add_executable(fuzz_${name} ${F_UNPARSED_ARGUMENTS})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${libs})
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endif()
endfunction()

# The list of targets, once every folder has registered its own.
function(starquell_fuzz_write_list)
  get_property(targets GLOBAL PROPERTY STARQUELL_FUZZ_TARGETS)
  list(JOIN targets "\n" text)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz/targets.txt.new "${text}\n")
  file(COPY_FILE ${CMAKE_BINARY_DIR}/fuzz/targets.txt.new ${CMAKE_BINARY_DIR}/fuzz/targets.txt
       ONLY_IF_DIFFERENT)
  file(REMOVE ${CMAKE_BINARY_DIR}/fuzz/targets.txt.new)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL starquell_fuzz_write_list)
