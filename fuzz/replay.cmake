# The fuzz targets over their seed corpora and kept findings, as ordinary
# tests in every build.
file(GLOB MDXGEN_FUZZ_TARGETS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzzer.cpp)
foreach(source IN LISTS MDXGEN_FUZZ_TARGETS)
  get_filename_component(name ${source} NAME_WE)
  string(REPLACE "_fuzzer" "" corpus ${name})
  string(REGEX MATCH "^xmla_" xmla ${name})
  if(xmla AND NOT TARGET mdxgen_xmla)
    continue()
  endif()
  add_executable(${name}_replay ${source} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE $<IF:$<BOOL:${xmla}>,mdxgen_xmla,mdxgen>
                        mdxgen_memory_host)
  target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR})
  mdxgen_warnings(${name}_replay)
  add_test(NAME ${name}_replay COMMAND ${name}_replay
           ${PROJECT_SOURCE_DIR}/fuzz/corpus/${corpus}
           ${PROJECT_SOURCE_DIR}/fuzz/regressions/${corpus})
  set_tests_properties(${name}_replay PROPERTIES LABELS fuzz)
endforeach()

