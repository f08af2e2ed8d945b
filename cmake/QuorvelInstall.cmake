# The installed layout, under any prefix:
#   bin/quorvel, bin/quorvel-hook               the app and the helper it copies into place
#   share/quorvel/sounds, share/quorvel/fonts   found by the app relative to bin/
#   share/applications/quorvel.desktop          the launcher entry
#   share/icons/hicolor/<N>x<N>/apps/quorvel.png the icon, drawn by the app at build time
#   share/metainfo/<id>.metainfo.xml            what software centres list
#   share/man/man1/quorvel.1.gz, quorvel-hook.1.gz
#   share/doc/quorvel/copyright, changelog.gz   the package's licences and history
# and a Debian package of the same layout (cpack -G DEB) that lintian accepts.
include(GNUInstallDirs)

if(NOT TARGET quorvel OR NOT TARGET quorvel-hook)
  return()
endif()

install(TARGETS quorvel quorvel-hook RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(quorvel_share ${CMAKE_INSTALL_DATADIR}/quorvel)
quorvel_sound_files(quorvel_installed_sounds ${QUORVEL_RESOURCE_DIR}/sounds)
install(FILES ${quorvel_installed_sounds} DESTINATION ${quorvel_share}/sounds)
install(FILES
    ${QUORVEL_RESOURCE_DIR}/fonts/SpaceMono-Regular.ttf
    ${QUORVEL_RESOURCE_DIR}/fonts/SpaceMono-Bold.ttf
    ${QUORVEL_RESOURCE_DIR}/fonts/Jersey10-Regular.ttf
    ${QUORVEL_RESOURCE_DIR}/fonts/SpaceMono-OFL.txt
    ${QUORVEL_RESOURCE_DIR}/fonts/Jersey10-OFL.txt
  DESTINATION ${quorvel_share}/fonts)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The texts that carry the version, filled in; manual pages and the changelog compressed as
# Debian wants them (no name or time stamp in the gzip header, so builds are reproducible).
set(quorvel_packaging ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_SOURCE_DIR}/packaging/com.tessaloom.quorvel.mac.metainfo.xml
  ${quorvel_packaging}/com.tessaloom.quorvel.mac.metainfo.xml @ONLY)
set(quorvel_compressed)
foreach(text quorvel.1 quorvel-hook.1 changelog)
  if(text STREQUAL changelog)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${quorvel_packaging}/${text} @ONLY)
  else()
    configure_file(${CMAKE_SOURCE_DIR}/packaging/${text} ${quorvel_packaging}/${text} @ONLY)
  endif()
  execute_process(COMMAND gzip -9 -n -c ${quorvel_packaging}/${text}
    OUTPUT_FILE ${quorvel_packaging}/${text}.gz COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${quorvel_packaging}/com.tessaloom.quorvel.mac.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${quorvel_packaging}/quorvel.1.gz ${quorvel_packaging}/quorvel-hook.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${quorvel_packaging}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvel)

# The icon: the app's own render mode draws it; a small tool scales it to the theme's sizes.
if(QUORVEL_BUILD_APP)
  add_executable(quorvel-icon-sizes ${CMAKE_SOURCE_DIR}/packaging/IconSizes.cpp)
  target_link_libraries(quorvel-icon-sizes PRIVATE Qt6::Gui)
  set_target_properties(quorvel-icon-sizes PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/tools)
  set(quorvel_icon_sizes 16 24 32 48 64 128 256 512)
  set(quorvel_icon_folder ${QUORVEL_RESOURCE_DIR}/icons/hicolor)
  set(quorvel_icon_files)
  foreach(side ${quorvel_icon_sizes})
    list(APPEND quorvel_icon_files ${quorvel_icon_folder}/${side}x${side}/apps/quorvel.png)
  endforeach()
  add_custom_command(OUTPUT ${quorvel_icon_files}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
      $<TARGET_FILE:quorvel> --render icon-mac ${CMAKE_BINARY_DIR}/icon-mac.png
    COMMAND $<TARGET_FILE:quorvel-icon-sizes> ${CMAKE_BINARY_DIR}/icon-mac.png ${quorvel_icon_folder} quorvel
      ${quorvel_icon_sizes}
    DEPENDS quorvel quorvel-icon-sizes
    COMMENT "Drawing the app icon"
    VERBATIM)
  add_custom_target(icons ALL DEPENDS ${quorvel_icon_files})
  install(DIRECTORY ${quorvel_icon_folder} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvel")
set(CPACK_PACKAGE_CONTACT "Quorvel developers <developers@quorvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion for a terminal coding agent")
# Debian shows the description as written: its lines must fit 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "Quorvel watches every run of the Claude Code agent through its hooks and
tells you when a run is done, needs you, broke or crashed: a retro device
window with a pixel-art mascot, a compact strip, 8-bit alert sounds, desktop
banners and pushes to your phone.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A desktop companion the user runs, not a tool to build software with.
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the binaries do not link but use at run time: the helper's fallback banner, the
# keyring that holds the push credentials, the desktop's file opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libnotify-bin, gnome-keyring, xdg-utils")
include(CPack)
