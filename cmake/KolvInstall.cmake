# Installation (cmake --install) and the Debian package (cpack -G DEB).
#
#   bin/kolv, bin/kolv-cli
#   lib/kolv/              kolv-cli's modules: PDF printing, GIS and CAD files
#   share/kolv/            seed database, sample project, report templates, palette, user guide
#   share/applications, share/metainfo, share/mime/packages, share/icons/hicolor: desktop entry
#   share/man/man1         kolv.1.gz, kolv-cli.1.gz (from the programs' own --help)
#   share/doc/kolv         copyright, changelog.gz
#   lib/python3/dist-packages/kolv   the Python module (src/python)
#
# The programs look for their data in ../share/kolv relative to their own folder, so any prefix
# (and DESTDIR) works without a setting.
set(KOLV_APP_ID org.kolv.KolvLt)
set(KOLV_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/kolv)
set(KOLV_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/data/desktop)
set(KOLV_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
# The date of this version's release, shown in the software centre and the package changelog.
set(KOLV_RELEASE_DATE 2026-12-06)

# --- programs and data ---------------------------------------------------------------------------
install(TARGETS kolv-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(_m kolv-cli-gis kolv-cli-print)
  if(TARGET ${_m})
    install(TARGETS ${_m} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kolv)
  endif()
endforeach()
if(TARGET kolv AND KOLV_BUILD_GUI)
  install(TARGETS kolv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${KOLV_BUILD_DATA_DIR}/seedv3.mdb ${KOLV_BUILD_DATA_DIR}/sample.mdb DESTINATION ${KOLV_INSTALL_DATADIR})
install(DIRECTORY ${KOLV_DATA_DIR}/reports ${KOLV_DATA_DIR}/palette ${KOLV_DATA_DIR}/help
        DESTINATION ${KOLV_INSTALL_DATADIR})

# --- desktop integration -------------------------------------------------------------------------
configure_file(${KOLV_DESKTOP_DIR}/${KOLV_APP_ID}.metainfo.xml.in ${KOLV_PACKAGE_DIR}/${KOLV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${KOLV_DESKTOP_DIR}/${KOLV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KOLV_PACKAGE_DIR}/${KOLV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KOLV_DESKTOP_DIR}/${KOLV_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${KOLV_DESKTOP_DIR}/icons/${KOLV_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 16 24 32 48 64 128 256)
  install(FILES ${KOLV_DESKTOP_DIR}/icons/${_size}/${KOLV_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()

# --- documentation: copyright, changelog, manual pages -------------------------------------------
execute_process(COMMAND date -R -u -d "${KOLV_RELEASE_DATE} 12:00:00" OUTPUT_VARIABLE KOLV_RELEASE_DATE_R
                OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${KOLV_DESKTOP_DIR}/changelog.in ${KOLV_PACKAGE_DIR}/changelog @ONLY)
add_custom_command(
  OUTPUT ${KOLV_PACKAGE_DIR}/changelog.gz
  COMMAND gzip -9nc ${KOLV_PACKAGE_DIR}/changelog > ${KOLV_PACKAGE_DIR}/changelog.gz
  DEPENDS ${KOLV_PACKAGE_DIR}/changelog
  VERBATIM)
set(_docs ${KOLV_PACKAGE_DIR}/changelog.gz)
install(FILES ${KOLV_DESKTOP_DIR}/copyright ${KOLV_PACKAGE_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kolv)

# A manual page per program, written by help2man from the program's --help (no display needed).
find_program(KOLV_HELP2MAN help2man)
set(_manpages)
if(KOLV_HELP2MAN)
  set(_programs kolv-cli)
  set(kolv-cli_summary "storm sewer design by the Rational Method, command line")
  if(TARGET kolv AND KOLV_BUILD_GUI)
    list(APPEND _programs kolv)
    set(kolv_summary "storm sewer design by the Rational Method, desktop program")
  endif()
  foreach(_p IN LISTS _programs)
    add_custom_command(
      OUTPUT ${KOLV_PACKAGE_DIR}/${_p}.1.gz
      COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
              ${KOLV_HELP2MAN} --no-info --no-discard-stderr --section=1 --version-string=${PROJECT_VERSION}
              --name=${${_p}_summary} --include=${KOLV_DESKTOP_DIR}/${_p}.h2m
              --output=${KOLV_PACKAGE_DIR}/${_p}.1 $<TARGET_FILE:${_p}>
      COMMAND gzip -9nf ${KOLV_PACKAGE_DIR}/${_p}.1
      DEPENDS ${_p} ${KOLV_DESKTOP_DIR}/${_p}.h2m
      COMMENT "Writing the manual page ${_p}(1)"
      VERBATIM)
    list(APPEND _manpages ${KOLV_PACKAGE_DIR}/${_p}.1.gz)
  endforeach()
  install(FILES ${_manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: the manual pages are not built")
endif()
add_custom_target(kolv_install_docs ALL DEPENDS ${_docs} ${_manpages})

# --- the Debian package --------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolv)
set(CPACK_PACKAGE_VENDOR "KOLV Lt developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "KOLV Lt developers <developers@kolv.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "storm sewer network design by the Rational Method")
set(CPACK_PACKAGE_DESCRIPTION "KOLV Lt designs storm sewer networks: it verifies a network of inlets,
manholes and pipes, sizes the pipes from a catalogue, sets invert elevations,
computes the storm tabulation with the hydraulic grade line, prices a system
and prints reports. A desktop program (kolv) and a command line (kolv-cli)
share one project file format, an SQLite database.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries the programs link come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins Qt loads at run time, which dpkg-shlibdeps can not see: the command icons are SVG
# (the icon engine and image format of libqt6svg6); without it the toolbar shows blank buttons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# The Python module is built for one interpreter version (its file name says cpython-311).
if(KOLV_BUILD_PYTHON)
  execute_process(COMMAND ${Python_EXECUTABLE} -c "import sys; print('%d.%d' % sys.version_info[:2]); print('%d.%d' % (sys.version_info[0], sys.version_info[1] + 1))"
                  OUTPUT_VARIABLE _kolv_pyver OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REPLACE "\n" ";" _kolv_pyver "${_kolv_pyver}")
  list(GET _kolv_pyver 0 _kolv_py_this)
  list(GET _kolv_pyver 1 _kolv_py_next)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", python3 (>= ${_kolv_py_this}), python3 (<< ${_kolv_py_next})")
endif()
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
