# What is installed and how CPack packs it.  In the Windows cross-build: the
# viewer, vokatool.exe and vokasim.exe, the user guide, the sample pictures
# and the licence, as an NSIS installer and a zip (scripts/package.sh names
# them vokagraphic-VERSION-win64-setup.exe and vokagraphic-VERSION-win64.zip).
# In the native build: the command-line tools with man pages made from
# their --help by help2man, as a Debian package.
set(CPACK_PACKAGE_NAME "vokagraphic")
set(CPACK_PACKAGE_VENDOR "VOKA Graphic developers")
set(CPACK_PACKAGE_CONTACT "VOKA Graphic developers <vokagraphic@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer of electron-photon cascade Monte Carlo pictures")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE.txt)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "VOKA Graphic")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS vokagraphic vokatool vokasim RUNTIME DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION guide)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/electrons_water.pic
                ${PROJECT_SOURCE_DIR}/examples/photons_lead.pic
                ${PROJECT_SOURCE_DIR}/examples/positrons_aluminium_long.pic
                ${PROJECT_SOURCE_DIR}/examples/README.md
          DESTINATION examples)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR "NSIS;ZIP")
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # The installer's script is our own (cmake/packaging/NSIS.template.in).
  set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
  set(CPACK_NSIS_EXECUTABLE makensis)
else()
  install(TARGETS vokatool vokasim RUNTIME DESTINATION bin)
  find_program(HELP2MAN help2man)
  if(HELP2MAN)
    set(vokatool_summary "draw, convert and import VOKA Graphic picture files")
    set(vokasim_summary "electron-photon cascade generator writing VOKA Graphic pictures")
    foreach(tool vokatool vokasim)
      add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${tool}.1
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${HELP2MAN} --no-info --name "${${tool}_summary}"
                --output ${PROJECT_BINARY_DIR}/man/${tool}.1 $<TARGET_FILE:${tool}>
        DEPENDS ${tool} VERBATIM)
      list(APPEND voka_man_pages ${PROJECT_BINARY_DIR}/man/${tool}.1)
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${voka_man_pages})
    install(FILES ${voka_man_pages} DESTINATION share/man/man1)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE.txt DESTINATION share/doc/vokagraphic-tools
          RENAME copyright)
  set(CPACK_GENERATOR "DEB")
  set(CPACK_DEBIAN_PACKAGE_NAME "vokagraphic-tools")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
include(CPack)
