# The file and path helpers, a library of their own so tests link them without the window.
add_library(talvo_fileutils STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FileUtils.cpp ${CMAKE_CURRENT_LIST_DIR}/FindFiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Paths.cpp ${CMAKE_CURRENT_LIST_DIR}/StartProgram.cpp)
target_include_directories(talvo_fileutils PUBLIC ${CMAKE_SOURCE_DIR})
talvo_flags(talvo_fileutils)
