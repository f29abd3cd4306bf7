# What `cmake --install` puts where: the programs a user runs, the desktop entry, the icon, the AppStream metadata,
# the manual pages and the copyright. Tests and benchmarks stay in the build tree.
include(GNUInstallDirs)

set(LEEB_APP_ID org.leebcompanion.LeebCompanion)
set(LEEB_PROGRAMS leeb-companion leeb-convert leeb-archive instrument-sim)
set(LEEB_MAN_PAGES leeb-companion.1 leeb-convert.1 leeb-archive.1 instrument-sim.1)
set(LEEB_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS ${LEEB_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Relocations resolved at start, so that the whole offset table can be read-only (relro is the linker's default).
set_property(TARGET ${LEEB_PROGRAMS} APPEND PROPERTY LINK_OPTIONS LINKER:-z,now)

install(FILES ${LEEB_PACKAGING}/${LEEB_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LEEB_PACKAGING}/${LEEB_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon: the SVG is the source, the PNGs of the sizes menus ask for are rendered from it.
find_program(LEEB_RSVG_CONVERT rsvg-convert)
if(NOT LEEB_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert is missing: run scripts/setup (package librsvg2-bin)")
endif()
set(LEEB_ICON_SVG ${LEEB_PACKAGING}/${LEEB_APP_ID}.svg)
install(FILES ${LEEB_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(LEEB_ICON_PNGS)
foreach(size 48 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${LEEB_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
        COMMAND ${LEEB_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${LEEB_ICON_SVG}
        DEPENDS ${LEEB_ICON_SVG}
        COMMENT "Rendering the ${size} px icon"
        VERBATIM)
    list(APPEND LEEB_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages and the changelog compressed as Debian wants them (gzip -9n: no name, no time stamp).
set(LEEB_GZIPPED)
foreach(page ${LEEB_MAN_PAGES})
    set(gz ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" gzip ${LEEB_PACKAGING}/man/${page} ${gz}
        DEPENDS ${LEEB_PACKAGING}/man/${page}
        VERBATIM)
    list(APPEND LEEB_GZIPPED ${gz})
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(LEEB_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${LEEB_CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" gzip ${LEEB_PACKAGING}/changelog ${LEEB_CHANGELOG_GZ}
    DEPENDS ${LEEB_PACKAGING}/changelog
    VERBATIM)
list(APPEND LEEB_GZIPPED ${LEEB_CHANGELOG_GZ})
add_custom_target(install-data ALL DEPENDS ${LEEB_ICON_PNGS} ${LEEB_GZIPPED})

install(FILES ${LEEB_PACKAGING}/copyright ${LEEB_CHANGELOG_GZ} DESTINATION ${CMAKE_INSTALL_DOCDIR})
