# talvo_gtest(TARGET [NAME name] [ENVIRONMENT var=value...] [SUITE_ENVIRONMENT suite var=value]...)
#
# Every GoogleTest suite of TARGET's sources becomes a ctest entry NAME.SUITE (NAME defaults to
# TARGET), run under Wine with --gtest_filter=SUITE.*, so that suites run side by side and a
# failure names its suite. The suites are read from the sources when CMake configures, and
# every test source makes CMake configure again when it changes: a TEST added anywhere runs
# without a change to any CMake file. NAME.listed fails when the program holds a suite that no
# entry runs (a macro this reading does not know).
#
# Suites that need the machine alone say so in their name: one with "Floppy" in it holds the
# floppy drive A:, one with "SmallDrive" the small drive. ENVIRONMENT applies to every suite;
# each pair SUITE_ENVIRONMENT suite var=value sets one more variable (or another value of one
# of ENVIRONMENT) for that suite.
function(talvo_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME" "ENVIRONMENT;SUITE_ENVIRONMENT")
  set(name ${target})
  if(arg_NAME)
    set(name ${arg_NAME})
  endif()
  get_target_property(sources ${target} SOURCES)
  get_target_property(dir ${target} SOURCE_DIR)
  set(suites)
  foreach(source ${sources})
    if(NOT source MATCHES "\\.cpp$")
      continue()
    endif()
    if(NOT IS_ABSOLUTE ${source})
      set(source ${dir}/${source})
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} text)
    string(REGEX MATCHALL "(^|\n)[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST)\\([ \t\n]*[A-Za-z0-9_]+" found "${text}")
    foreach(match ${found})
      string(REGEX REPLACE ".*\\([ \t\n]*" "" suite "${match}")
      list(APPEND suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  if(NOT suites)
    message(FATAL_ERROR "talvo_gtest: no GoogleTest suite found in the sources of ${target}")
  endif()
  foreach(suite ${suites})
    set(test ${name}.${suite})
    # A parameterised suite runs as Prefix/Suite.
    add_test(NAME ${test} COMMAND ${target} --gtest_filter=${suite}.*:*/${suite}.*)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine)
    set(environment ${arg_ENVIRONMENT})
    set(pairs ${arg_SUITE_ENVIRONMENT})
    while(pairs)
      list(POP_FRONT pairs for setting)
      if(for STREQUAL suite)
        string(REGEX REPLACE "=.*" "" variable "${setting}")
        list(FILTER environment EXCLUDE REGEX "^${variable}=")
        list(APPEND environment "${setting}")
      endif()
    endwhile()
    if(environment)
      set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}")
    endif()
    if(suite MATCHES "Floppy")
      set_tests_properties(${test} PROPERTIES RESOURCE_LOCK floppy)
    elseif(suite MATCHES "SmallDrive")
      set_tests_properties(${test} PROPERTIES RESOURCE_LOCK small_drive)
    endif()
  endforeach()
  add_test(NAME ${name}.listed COMMAND ${CMAKE_COMMAND}
    "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -DPROGRAM=$<TARGET_FILE:${target}>
    "-DSUITES=${suites}" -P ${CMAKE_SOURCE_DIR}/cmake/CheckSuites.cmake)
  set_tests_properties(${name}.listed PROPERTIES FIXTURES_REQUIRED wine)
endfunction()
