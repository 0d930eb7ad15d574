# What `cmake --install` puts where, and the Debian package CPack makes of it
# (`cpack -G DEB` in the build directory). The program finds its data from
# its own path (VANTOR_DATA_FROM_BINARY), so the whole tree can be moved.
include(GNUInstallDirs)

set(VANTOR_DATA_DIR ${CMAKE_INSTALL_DATADIR}/vantor/rsc)
file(RELATIVE_PATH VANTOR_DATA_FROM_BINARY ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/vantor/rsc)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/app/data_location.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS VANTOR_DATA_FROM_BINARY="${VANTOR_DATA_FROM_BINARY}")

install(TARGETS vantor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The generator script stays in the source tree; its images are data.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/rsc/ DESTINATION ${VANTOR_DATA_DIR}
  PATTERN "*.py" EXCLUDE PATTERN "__pycache__" EXCLUDE)
# The README's links into docs/ keep working next to it. The copyright file
# names the licence (LICENSE, MIT) where Debian looks for it.
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/packaging/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
  PATTERN "vantor.1" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/docs/vantor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vantor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vantor.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

set(CPACK_PACKAGE_NAME vantor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2-D rigid-body physics sandbox for articulated figures")
set(CPACK_PACKAGE_DESCRIPTION
  "Ragdolls, chains and boxes stepped by a deterministic predictor-corrector solver, with joints, springs and polygon contacts with friction and restitution. Grab anything with the mouse; write worlds as plain-text files, check them with --check and see them reload on save with --watch.")
set(CPACK_PACKAGE_CONTACT "Vantor developers")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The shared libraries (SDL2, GL, FFmpeg's libavcodec, libavformat,
# libavfilter, libswscale and libavutil for the clips...) come from
# dpkg-shlibdeps; the overlay's font is looked up through fontconfig and is
# no library.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
include(CPack)
