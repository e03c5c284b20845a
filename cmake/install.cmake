# What `cmake --install build --prefix P` puts in place: make-erf and erf-info
# in P/bin; erf-convert with the module in P/lib/r_udi, because erf-convert
# loads the module that lies beside its own file (symbolic links resolved),
# and a link P/bin/erf-convert to it; a man page for each tool and their bash
# completions. The Windows build puts erf-convert.exe and R_UDI.dll side by
# side in P/bin, as Windows has no such links.
include(GNUInstallDirs)

if(CMAKE_CROSSCOMPILING)
  install(TARGETS erf-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS R_UDI LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  return()
endif()

set(RUDI_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/r_udi)
install(TARGETS make-erf erf-info RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS erf-convert RUNTIME DESTINATION ${RUDI_INSTALL_MODULEDIR})
install(TARGETS R_UDI LIBRARY DESTINATION ${RUDI_INSTALL_MODULEDIR})
# The link is relative, so the installed tree can be moved as a whole.
file(RELATIVE_PATH module_dir_from_bin /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${RUDI_INSTALL_MODULEDIR})
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bin}\")
  file(REMOVE \"\${bin}/erf-convert\")
  file(CREATE_LINK \"${module_dir_from_bin}/erf-convert\" \"\${bin}/erf-convert\" SYMBOLIC)
  message(STATUS \"Installing: \${bin}/erf-convert -> ${module_dir_from_bin}/erf-convert\")
")

# The man pages carry the project's version.
foreach(tool erf-convert erf-info make-erf)
  configure_file(${PROJECT_SOURCE_DIR}/man/${tool}.1 ${PROJECT_BINARY_DIR}/man/${tool}.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${tool}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/completions/${tool}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endforeach()
