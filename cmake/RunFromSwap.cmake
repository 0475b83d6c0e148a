# talvo_run_from_swap(target): after each link, marks the target's PE header "run from
# swap" (IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP), so Windows loads it whole from a floppy.
# The scripts that read or edit PE headers use Debian's pefile (python3-pefile): they run under
# Debian's own Python, whichever other one comes first on the PATH.
find_program(TALVO_PE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(TALVO_RUN_FROM_SWAP_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/../scripts/set-run-from-swap.py)

function(talvo_run_from_swap target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${TALVO_PE_PYTHON} ${TALVO_RUN_FROM_SWAP_SCRIPT} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
