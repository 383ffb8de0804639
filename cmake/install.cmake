# What `cmake --install` puts where, and the packages made from it with CPack:
# a Debian package on Linux (`make package`), a zip of the program's folder on
# Windows (`make package-windows`).
include(GNUInstallDirs)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_NAME tapquill)
set(CPACK_PACKAGE_VENDOR "The Tapquill developers")
set(CPACK_PACKAGE_CONTACT "The Tapquill developers <tapquill@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "typing-speed test")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    # The Windows program is one folder: the program with its data beside it,
    # and the notes a person reads first, with Windows line ends.
    install(TARGETS tapquill RUNTIME DESTINATION .)
    install(FILES ${TAPQUILL_DATA_FILES} DESTINATION .)

    function(tapquill_windows_text source target)
        file(READ ${source} text)
        string(CONFIGURE "${text}" text @ONLY)
        string(REPLACE "\r\n" "\n" text "${text}")
        string(REPLACE "\n" "\r\n" text "${text}")
        file(WRITE ${CMAKE_BINARY_DIR}/package-text/${target} "${text}")
        set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    endfunction()
    tapquill_windows_text(${PROJECT_SOURCE_DIR}/docs/README-windows.txt README.txt)
    # Double-clickable ways to the options a player wants most.
    tapquill_windows_text(${PROJECT_SOURCE_DIR}/data/tapquill-keyboard-layout.cmd
                          "Play with my keyboard layout.cmd")
    tapquill_windows_text(${PROJECT_SOURCE_DIR}/data/tapquill-history.cmd "Show my results.cmd")
    tapquill_windows_text(${PROJECT_SOURCE_DIR}/data/tapquill-10-words.cmd "Play 10 words.cmd")
    tapquill_windows_text(${PROJECT_SOURCE_DIR}/data/tapquill-verses.cmd "Play verses.cmd")
    tapquill_windows_text(${PROJECT_SOURCE_DIR}/data/tapquill-practice.cmd "Practice.cmd")
    tapquill_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
    # The data files' licences and notices: the last section of data/README.md.
    file(READ ${PROJECT_SOURCE_DIR}/data/README.md data_readme)
    string(FIND "${data_readme}" "## Licences and notices" notices_start)
    string(SUBSTRING "${data_readme}" ${notices_start} -1 notices)
    file(WRITE ${CMAKE_BINARY_DIR}/package-text/notices.md "${notices}")
    tapquill_windows_text(${CMAKE_BINARY_DIR}/package-text/notices.md DATA-LICENSES.txt)
    install(FILES
        ${CMAKE_BINARY_DIR}/package-text/README.txt
        ${CMAKE_BINARY_DIR}/package-text/LICENSE.txt
        ${CMAKE_BINARY_DIR}/package-text/DATA-LICENSES.txt
        "${CMAKE_BINARY_DIR}/package-text/Play with my keyboard layout.cmd"
        "${CMAKE_BINARY_DIR}/package-text/Show my results.cmd"
        "${CMAKE_BINARY_DIR}/package-text/Play 10 words.cmd"
        "${CMAKE_BINARY_DIR}/package-text/Play verses.cmd"
        "${CMAKE_BINARY_DIR}/package-text/Practice.cmd"
        DESTINATION .)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "tapquill-${PROJECT_VERSION}-win64")
else()
    install(TARGETS tapquill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${TAPQUILL_DATA_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/tapquill)
    install(FILES ${PROJECT_SOURCE_DIR}/data/tapquill.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/org.example.tapquill.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${PROJECT_SOURCE_DIR}/data/tapquill.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tapquill)
    foreach(size 16 24 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tapquill-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME tapquill.png)
    endforeach()

    # The manual page and the changelog, compressed without a time stamp.
    configure_file(${PROJECT_SOURCE_DIR}/docs/tapquill.6.in ${CMAKE_BINARY_DIR}/doc/tapquill.6 @ONLY)
    find_program(TAPQUILL_GZIP gzip REQUIRED)
    set(compressed)
    foreach(page ${CMAKE_BINARY_DIR}/doc/tapquill.6 ${PROJECT_SOURCE_DIR}/docs/changelog)
        get_filename_component(name ${page} NAME)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/${name}.gz
            COMMAND ${TAPQUILL_GZIP} -9nc ${page} > ${CMAKE_BINARY_DIR}/doc/${name}.gz
            DEPENDS ${page}
            VERBATIM)
        list(APPEND compressed ${CMAKE_BINARY_DIR}/doc/${name}.gz)
    endforeach()
    add_custom_target(tapquill_docs ALL DEPENDS ${compressed})
    install(FILES ${CMAKE_BINARY_DIR}/doc/tapquill.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/copyright
                  ${CMAKE_BINARY_DIR}/doc/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DOCDIR})

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION games)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # SDL opens the OpenGL library (GLX) only when it makes the window, so
    # dpkg-shlibdeps cannot see it among the program's own libraries.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
    set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    set(CPACK_INSTALL_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian-games-link.cmake)
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Tapquill asks on the console how many words you want to type, then shows
the line to type and, under it, what you have typed, in large characters:
light blue where a character matches, light red where it does not. At the end
of each attempt it shows your speed in words per minute and, when anything was
mistyped, your error percentage. Lines are random common words of English or
15 other languages, verses of the King James Bible, or your own text. Every
keystroke is timed: tapquill --history shows your slowest and least accurate
keys, pairs and words, and tapquill --practice drills them.")
endif()

include(CPack)
