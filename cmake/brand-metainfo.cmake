# Writes the AppStream metainfo with the banner's colours, which the art
# program prints (quorvin_draw_art --branding-colours: the colour beside a
# light desktop, then the one beside a dark one), in place of the
# ${branding_light} and ${branding_dark} the template holds for them.
# Usage: cmake -DDRAW_ART=program -DINPUT=template -DOUTPUT=metainfo.xml
#              -P brand-metainfo.cmake
execute_process(COMMAND ${DRAW_ART} --branding-colours RESULT_VARIABLE printed
                OUTPUT_VARIABLE colours OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(colours UNIX_COMMAND "${colours}")
list(LENGTH colours count)
if(NOT printed EQUAL 0 OR NOT count EQUAL 2)
  message(FATAL_ERROR "the art program gave no branding colours: ${printed}")
endif()
list(GET colours 0 light)
list(GET colours 1 dark)
file(READ "${INPUT}" metainfo)
foreach(place light dark)
  set(placeholder "\${branding_${place}}")
  string(FIND "${metainfo}" "${placeholder}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${INPUT} has no place for the colour ${placeholder}")
  endif()
  string(REPLACE "${placeholder}" "${${place}}" metainfo "${metainfo}")
endforeach()
file(WRITE "${OUTPUT}.new" "${metainfo}")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
