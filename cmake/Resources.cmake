# Copies the installed data into the build tree beside bin/, and compiles the
# message catalogs: po/<canonical name>.po becomes Language/<canonical name>/language.mo.
file(GLOB LW_THEME_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/Themes/*)
set(LW_STAGED_FILES)
foreach(f ${LW_THEME_FILES})
  get_filename_component(name ${f} NAME)
  add_custom_command(OUTPUT ${LW_STAGE}/Themes/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${LW_STAGE}/Themes/${name}
    DEPENDS ${f} VERBATIM)
  list(APPEND LW_STAGED_FILES ${LW_STAGE}/Themes/${name})
endforeach()

add_custom_command(OUTPUT ${LW_STAGE}/option.cfg
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/option.cfg ${LW_STAGE}/option.cfg
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/option.cfg VERBATIM)
list(APPEND LW_STAGED_FILES ${LW_STAGE}/option.cfg)

file(MAKE_DIRECTORY ${LW_STAGE}/Language)
file(GLOB LW_PO_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/po/*.po)
if(LW_PO_FILES)
  find_program(MSGFMT msgfmt REQUIRED)
endif()
foreach(po ${LW_PO_FILES})
  get_filename_component(lang ${po} NAME_WE)
  set(mo ${LW_STAGE}/Language/${lang}/language.mo)
  add_custom_command(OUTPUT ${mo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LW_STAGE}/Language/${lang}
    COMMAND ${MSGFMT} --check -o ${mo} ${po}
    DEPENDS ${po} VERBATIM)
  list(APPEND LW_STAGED_FILES ${mo})
endforeach()

add_custom_target(loopwright_data ALL DEPENDS ${LW_STAGED_FILES})
add_dependencies(loopwright loopwright_data)
