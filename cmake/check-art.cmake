# Redraws the logos and the icon file with DRAW_ART into OUT_DIR and fails
# unless each matches the checked-in file in ART_DIR byte for byte.
set(art logo.bmp logo-2x.bmp quorvin.ico)
list(TRANSFORM art PREPEND ${OUT_DIR}/ OUTPUT_VARIABLE drawn_files)
execute_process(COMMAND ${DRAW_ART} ${drawn_files} RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "the art program failed: ${drawn}")
endif()
foreach(name IN LISTS art)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name} ${ART_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    list(TRANSFORM art PREPEND resources/ OUTPUT_VARIABLE checked_in)
    list(JOIN checked_in " " checked_in)
    message(FATAL_ERROR "resources/${name} is not what the art program (resources/art/) draws; "
                        "run: quorvin_draw_art ${checked_in}")
  endif()
endforeach()
