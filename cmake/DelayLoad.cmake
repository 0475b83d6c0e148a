# talvo_delay_load(target): the shipped program resolves at its start only kernel32 and msvcrt;
# every other system library it calls stands in its delay-load table instead of its imports, so
# that the system leaves it alone, and the program loads it by name once the search for
# libraries is limited to the system folder (TakeSystemLibraries, update/files/LibrarySearch.cpp,
# which has the whole story).
#
# The libraries below take the names of the toolchain's import libraries (libuser32.a, ...), so
# that every -luser32 of the program's link, the compiler's defaults too, takes them through its
# -L. dlltool makes them, as delay-loading import libraries, from every export that the
# toolchain's own list; then the parts that load a library at the first call into it are taken
# out: the program fills every slot at once, before any call, so a function costs its slot and
# its name as an ordinary import does, no 16-byte stub and no loader code (a floppy's bytes).
# What stays: per library the table's entry (dlltool's .text$2), and per function the slot
# (.idata$5, reached as __imp__Name@N, which the compiler calls through), its name and hint.
# A call not through the slot finds no stub and fails to link.
#
# GNU ld 2.40 leaves the delay-load table and the load configuration out of the header: after
# the link, scripts/set-directories.py names them there from the link's map.
set(TALVO_DELAY_LOAD_DIR ${CMAKE_BINARY_DIR}/delay-load)
set(TALVO_DELAY_LOADED advapi32 comctl32 gdi32 ole32 shell32 user32)
find_program(TALVO_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)
find_program(TALVO_OBJCOPY i686-w64-mingw32-objcopy REQUIRED)
set(TALVO_SET_DIRECTORIES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/../scripts/set-directories.py)

foreach(dll ${TALVO_DELAY_LOADED})
  set(library ${TALVO_DELAY_LOAD_DIR}/lib${dll}.a)
  if(EXISTS ${library})
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_NM} ${CMAKE_FIND_ROOT_PATH}/lib/lib${dll}.a
    OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
  # "00000000 I __imp__CreateWindowExW@48" names the export CreateWindowExW (stdcall, 48 bytes
  # of arguments): dlltool's -k drops the @48 from the name it imports.
  string(REGEX MATCHALL "__imp__[^\r\n]+" imports "${symbols}")
  list(TRANSFORM imports REPLACE "^__imp__" "")
  list(REMOVE_DUPLICATES imports)
  list(JOIN imports "\n" exports)
  file(WRITE ${TALVO_DELAY_LOAD_DIR}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
  execute_process(COMMAND ${TALVO_DLLTOOL} -k -d ${dll}.def -y lib${dll}.a
    WORKING_DIRECTORY ${TALVO_DELAY_LOAD_DIR} COMMAND_ERROR_IS_FATAL ANY)
  # dlltool names its symbols after the library's file. The code goes (.text: the stubs, and
  # the one that calls the loader), with the slots' pointers to it; a function's member still
  # pulls its library's table entry, in place of the stub's jump to that code.
  execute_process(COMMAND ${TALVO_OBJCOPY} --remove-section=.text --remove-relocations=.idata$5
    --strip-symbol=___delayLoadHelper2@8
    --redefine-sym ___tailMerge_lib${dll}_a=__DELAY_IMPORT_DESCRIPTOR_lib${dll}_a ${library}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

function(talvo_delay_load target)
  set(map $<TARGET_FILE_DIR:${target}>/${target}.map)
  target_link_directories(${target} BEFORE PRIVATE ${TALVO_DELAY_LOAD_DIR})
  list(TRANSFORM TALVO_DELAY_LOADED REPLACE "(.+)" "${TALVO_DELAY_LOAD_DIR}/lib\\1.a"
    OUTPUT_VARIABLE libraries)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})
  # The load configuration is no symbol the program refers to: kept by name.
  target_link_options(${target} PRIVATE -Wl,-u,__load_config_used -Wl,-Map=${map})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${TALVO_PE_PYTHON} ${TALVO_SET_DIRECTORIES_SCRIPT} $<TARGET_FILE:${target}> ${map}
    VERBATIM)
endfunction()
