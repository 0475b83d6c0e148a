# talvo_run_from_swap(target): after each link, marks the target's PE header "run from
# swap" (IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP), so Windows loads it whole from a floppy.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TALVO_RUN_FROM_SWAP_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/../scripts/set-run-from-swap.py)

function(talvo_run_from_swap target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${TALVO_RUN_FROM_SWAP_SCRIPT} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
