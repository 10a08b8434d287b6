# corvane_add_test(<name> SOURCES <files...> [LIBS <targets...>])
# One executable per area; its main is the shared one of corvane_testsupport, which runs every
# class its files register with CORVANE_TEST. ctest runs it offscreen with the French locale pinned.
function(corvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE corvane_testsupport ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=fr_FR.UTF-8;LC_ALL=fr_FR.UTF-8;LANGUAGE=fr;CORVANE_SCHEMA=${CORVANE_SCHEMA};CORVANE_SCHEMA_MAINTENANCE=${CORVANE_SCHEMA_MAINTENANCE};CORVANE_BIN=${CMAKE_BINARY_DIR}/bin;ASAN_OPTIONS=detect_leaks=0"
    TIMEOUT 600)
endfunction()
