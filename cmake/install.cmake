# cmake --install: the program and its private window library, its icon, the desktop entry, the
# MIME type for Windows libraries, the thumbnailer, the AppStream metadata, the man page, the bash
# completion and the licence. An install to the system (no DESTDIR) refreshes the desktop's
# caches; the uninstall target removes every installed file and the folders the install created.
# cpack -G DEB makes the Debian package from the same rules.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(TESSALINE_APP_ID org.example.tessaline)
set(TESSALINE_ICON_SIZES 16 32 48 64 128 256)

install(TARGETS tessaline RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/tessaline.ico DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaline)
foreach(size ${TESSALINE_ICON_SIZES})
    install(FILES ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/tessaline.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
# The desktop entry claims the icon, cursor and library types, never Windows programs (whose
# default stays the application that runs them). It is named tessaline.desktop: where it shares
# a folder with image viewers, the desktop's cache lists entries by name, so a viewer that
# handled icons before keeps coming first.
install(FILES data/tessaline.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/tessaline.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES data/tessaline-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tessaline.xml)
configure_file(data/${TESSALINE_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${TESSALINE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${TESSALINE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The licence and the changelog, where Debian keeps them.
configure_file(data/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
                   COMMAND gzip -9nfk ${CMAKE_BINARY_DIR}/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/changelog)
add_custom_target(tessaline_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES data/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaline)

# The bash completion, where bash-completion looks for it (its completionsdir).
install(FILES data/tessaline.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tessaline)

# The man page, made from --help and --version when help2man is there.
find_program(TESSALINE_HELP2MAN help2man)
if(TESSALINE_HELP2MAN)
    set(man ${CMAKE_BINARY_DIR}/tessaline.1)
    add_custom_command(
        OUTPUT ${man}.gz
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 ${TESSALINE_HELP2MAN}
                --no-info --no-discard-stderr --section=1 --source=Tessaline
                --include=${CMAKE_SOURCE_DIR}/data/tessaline.h2m
                --output=${man} $<TARGET_FILE:tessaline>
        COMMAND gzip -9nf ${man}
        DEPENDS tessaline data/tessaline.h2m
        COMMENT "Writing the man page")
    add_custom_target(tessaline_man ALL DEPENDS ${man}.gz)
    install(FILES ${man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The first install step (a line at the top of CMakeLists.txt runs it) notes which of the
# folders the install uses do not exist yet: those the uninstall target may remove.
set(dirs ${CMAKE_INSTALL_BINDIR} lib lib/tessaline ${CMAKE_INSTALL_DATADIR})
foreach(d tessaline applications thumbnailers mime mime/packages metainfo doc doc/tessaline icons
          icons/hicolor bash-completion bash-completion/completions)
    list(APPEND dirs ${CMAKE_INSTALL_DATADIR}/${d})
endforeach()
foreach(size ${TESSALINE_ICON_SIZES})
    list(APPEND dirs ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}
         ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
get_filename_component(mandir ${CMAKE_INSTALL_MANDIR} DIRECTORY)
list(APPEND dirs ${mandir} ${CMAKE_INSTALL_MANDIR} ${CMAKE_INSTALL_MANDIR}/man1)
if(TESSALINE_PYTHON) # the Python module's folder and those above it
    set(d ${TESSALINE_PYTHON_DIR})
    while(d AND NOT d STREQUAL "lib")
        list(APPEND dirs ${d})
        get_filename_component(d ${d} DIRECTORY)
    endwhile()
endif()
list(REMOVE_DUPLICATES dirs)
set(TESSALINE_INSTALL_RECORD ${CMAKE_BINARY_DIR}/install_record.cmake)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/install_begin.cmake @ONLY CONTENT [[
# cpack installs into its own staging folder: nothing to note for the uninstall target.
if("$ENV{DESTDIR}" MATCHES "/_CPack_Packages/")
    return()
endif()
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(TESSALINE_INSTALLED_ROOT)
set(TESSALINE_CREATED_DIRS)
include("@TESSALINE_INSTALL_RECORD@" OPTIONAL)
if(NOT TESSALINE_INSTALLED_ROOT STREQUAL root)
    set(TESSALINE_CREATED_DIRS)
endif()
set(d "${root}")
while(NOT IS_DIRECTORY "${d}" AND NOT d STREQUAL "/")
    list(APPEND TESSALINE_CREATED_DIRS "${d}")
    get_filename_component(d "${d}" DIRECTORY)
endwhile()
foreach(rel @dirs@)
    if(NOT IS_DIRECTORY "${root}/${rel}")
        list(APPEND TESSALINE_CREATED_DIRS "${root}/${rel}")
    endif()
endforeach()
list(REMOVE_DUPLICATES TESSALINE_CREATED_DIRS)
file(WRITE "@TESSALINE_INSTALL_RECORD@" "set(TESSALINE_INSTALLED_ROOT [==[${root}]==])
set(TESSALINE_CREATED_DIRS [==[${TESSALINE_CREATED_DIRS}]==])
")
]])

# The last install step: an install to the system refreshes the MIME database, the desktop
# entries' MIME cache and the icon theme's cache (a Debian package's triggers do it there).
install(CODE "
if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    set(TESSALINE_DATA \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/refresh_caches.cmake\")
endif()")

add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DTESSALINE_BUILD_DIR=${CMAKE_BINARY_DIR}
            -DTESSALINE_DATADIR=${CMAKE_INSTALL_DATADIR} -P ${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake
    COMMENT "Removing the installed files" VERBATIM)

# The Debian package: dependencies worked out by dpkg-shlibdeps from the libraries the program
# and its window library link; the MIME, desktop and icon caches are refreshed by the triggers of
# shared-mime-info, desktop-file-utils and hicolor-icon-theme, so it needs no scripts of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tessaline developers")
set(CPACK_PACKAGE_CONTACT "The Tessaline developers <${TESSALINE_AUTHOR_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show and save the icons of Windows programs and icon files")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaline shows every icon stored in one file (a program .exe, a
library .dll, an icon .ico, a cursor .cur or an animated cursor .ani) in a
numbered grid, shows any one of them large with its information, and saves
it as a picture or as an icon file. Its command line lists and extracts
icons and draws thumbnails for file managers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSALINE_AUTHOR_URL})
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation2)
include(CPack)
