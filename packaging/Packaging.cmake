# The installed layout (cmake --install) and the Debian package made from it (scripts/package).
#
# The program in bin; the decoder, and mlat-client when a build has put one beside the program,
# where the program looks for them; the launcher entry, icons, AppStream metainfo, manual page,
# the user service, and the copyright and changelog files Debian asks of a package.
include(GNUInstallDirs)
set(VIREON_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/vireon-feeder)

install(TARGETS vireon-feeder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/bin/readsb DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vireon-feeder OPTIONAL)
# Only targets are stripped by an install with --strip (and by the package); the decoder is built by
# its own make, with debugging symbols.
install(CODE "
    set(decoder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/vireon-feeder/readsb\")
    if(CMAKE_INSTALL_DO_STRIP AND EXISTS \"\${decoder}\")
        execute_process(COMMAND \"${CMAKE_STRIP}\" \"\${decoder}\" COMMAND_ERROR_IS_FATAL ANY)
    endif()")
# scripts/build-mlat-client's tree; the note of what it was built from stays behind.
install(DIRECTORY ${CMAKE_BINARY_DIR}/libexec/mlat-client DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vireon-feeder
    OPTIONAL USE_SOURCE_PERMISSIONS PATTERN .built-from EXCLUDE PATTERN __pycache__ EXCLUDE)
install(FILES packaging/vireon-feeder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY packaging/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES packaging/network.vireon.feeder.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/copyright DESTINATION ${VIREON_DOCDIR})
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
    RENAME vireon-feeder)

# Debian wants the manual page and the changelog compressed, without a time stamp inside (-n), so
# the same sources give the same package.
set(VIREON_GZIPPED)
foreach(file vireon-feeder.1 changelog)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
        COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${file} > ${CMAKE_BINARY_DIR}/packaging/${file}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${file} VERBATIM)
    list(APPEND VIREON_GZIPPED ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
endforeach()
add_custom_target(vireon_packaging_files ALL DEPENDS ${VIREON_GZIPPED})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vireon-feeder.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${VIREON_DOCDIR})

# The unit names the program by its installed path, which is known only at install time
# (cmake --install --prefix, or the package's /usr).
install(CODE "
    set(VIREON_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/vireon-feeder.service.in\"
        \"${CMAKE_BINARY_DIR}/packaging/vireon-feeder.service\" @ONLY)")
install(FILES ${CMAKE_BINARY_DIR}/packaging/vireon-feeder.service DESTINATION lib/systemd/user)

# cpack builds the "preinstall" target first; it should not need the whole suite and the benchmarks
# built for a package of the program (scripts/package builds what goes in).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vireon-feeder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vireon Feeder developers")
set(CPACK_PACKAGE_CONTACT "Vireon Feeder developers <feeder@vireon.network>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ADS-B feeder for an RTL-SDR stick, in the tray or as a service")
# Debian shows the description as it stands: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Vireon Feeder turns a computer with an RTL-SDR USB stick into an ADS-B feeder
station. It runs the decoder readsb (included), tells it the station's position
and gain, has it forward the decoded stream to the Vireon network and to any
other networks switched on, and restarts it when it dies. A coloured tray icon
and one status line show how the station is doing.
Without a desktop it runs as a user service (vireon-feeder --headless), and
vireon-feeder --status answers a shell, cron or a monitoring system.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vireon.network)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the program and the decoder link are found by dpkg-shlibdeps; librtlsdr0 is named
# as well, since its udev rules are what let the plugdev group open the stick.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "librtlsdr0")
# Decided when the package is made, since mlat-client is built after configuring, if at all.
configure_file(packaging/CPackProjectConfig.cmake.in ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)
