# Redraws the logo and the icons with DRAW_ART into OUT_DIR and fails unless
# both match the checked-in files in ART_DIR byte for byte.
execute_process(COMMAND ${DRAW_ART} ${OUT_DIR}/logo.bmp ${OUT_DIR}/quorvin.ico
                RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "the art program failed: ${drawn}")
endif()
foreach(name logo.bmp quorvin.ico)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name} ${ART_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "resources/${name} is not what resources/art/draw_art.cpp draws; "
                        "run: quorvin_draw_art resources/logo.bmp resources/quorvin.ico")
  endif()
endforeach()
