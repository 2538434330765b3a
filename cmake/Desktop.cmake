# What makes the installed program a desktop application: its launcher, icons,
# store metadata and the file type of its projects. The desktop's caches
# (icons, file types, launchers) are refreshed by the package manager's
# triggers, or by hand after an install from source (README).
set(LW_APP_ID com.marvolent.Loopwright)
set(LW_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/resources/desktop)
install(FILES ${LW_DESKTOP_DIR}/${LW_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LW_DESKTOP_DIR}/${LW_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${LW_DESKTOP_DIR}/${LW_APP_ID}-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${LW_APP_ID}.xml)
install(DIRECTORY ${LW_DESKTOP_DIR}/icons DESTINATION ${CMAKE_INSTALL_DATADIR})
