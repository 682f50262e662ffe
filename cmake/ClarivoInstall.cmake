# `cmake --install build --prefix DIR` lays Clarivo out as it runs from the
# build tree: the programs, the engine, the ini and the skin together in one
# folder (they find each other and the ini beside the executable),
#   DIR/lib/clarivo/{Clarivo, func_Clarivo.so, clarivo-cli, clarivo-regedit,
#                    SetTip, ShowHelp, Clarivo.ini, Image/, Html/, Help/,
#                    Languages/, Icons/}
# with links in DIR/bin, the menu entry in DIR/share/applications and the
# icon in DIR/share/icons/hicolor.
# Every target named here that exists is installed; a new program of the
# folder only needs its name added to CLARIVO_PROGRAM_TARGETS.
set(CLARIVO_INSTALL_DIR lib/clarivo)
set(CLARIVO_PROGRAM_TARGETS Clarivo func_Clarivo clarivo-cli clarivo-regedit SetTip ShowHelp)
set(CLARIVO_LINKED_PROGRAMS Clarivo clarivo-cli clarivo-regedit)

foreach(target ${CLARIVO_PROGRAM_TARGETS})
  if(TARGET ${target})
    # Shared libraries of ours sit beside the programs.
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "\$ORIGIN")
    install(TARGETS ${target}
      RUNTIME DESTINATION ${CLARIVO_INSTALL_DIR}
      LIBRARY DESTINATION ${CLARIVO_INSTALL_DIR})
  endif()
endforeach()

install(FILES ${CLARIVO_BIN_DIR}/Clarivo.ini DESTINATION ${CLARIVO_INSTALL_DIR})
# The skin as skin/CMakeLists.txt assembled it beside the built programs.
if(TARGET clarivo_skin)
  install(DIRECTORY ${CLARIVO_BIN_DIR}/Image ${CLARIVO_BIN_DIR}/Html ${CLARIVO_BIN_DIR}/Help
                    ${CLARIVO_BIN_DIR}/Icons
    DESTINATION ${CLARIVO_INSTALL_DIR}
    PATTERN "README.md" EXCLUDE)
endif()
if(TARGET clarivo_catalogues)
  install(DIRECTORY ${CLARIVO_BIN_DIR}/Languages DESTINATION ${CLARIVO_INSTALL_DIR})
endif()

# The desktop: icon theme and menu entry.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/skin/icons/hicolor DESTINATION share/icons)
install(FILES ${CMAKE_SOURCE_DIR}/skin/icons/clarivo.svg DESTINATION share/icons/hicolor/scalable/apps)

# Links in bin/ and the menu entry name the prefix chosen at install time
# (cmake --install --prefix DIR), so they are written by the install step.
set(linked)
foreach(program ${CLARIVO_LINKED_PROGRAMS})
  if(TARGET ${program})
    list(APPEND linked ${program})
  endif()
endforeach()
install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${root}/bin\")
  foreach(program ${linked})
    file(REMOVE \"\${root}/bin/\${program}\")
    file(CREATE_LINK \"../${CLARIVO_INSTALL_DIR}/\${program}\" \"\${root}/bin/\${program}\" SYMBOLIC)
    message(STATUS \"Installing: \${root}/bin/\${program} -> ../${CLARIVO_INSTALL_DIR}/\${program}\")
  endforeach()
  set(CLARIVO_EXEC \"\${CMAKE_INSTALL_PREFIX}/bin/Clarivo\")
  configure_file(\"${CMAKE_SOURCE_DIR}/skin/desktop/clarivo.desktop.in\"
                 \"\${root}/share/applications/clarivo.desktop\" @ONLY)
  message(STATUS \"Installing: \${root}/share/applications/clarivo.desktop\")
")
