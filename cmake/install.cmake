# cmake --install: the program, its icon, its desktop entry, its MIME type for libraries and
# the thumbnailer that lets file managers show a program's first icon.
include(GNUInstallDirs)
install(TARGETS tessaline RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/tessaline.ico DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaline)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES data/tessaline.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/tessaline.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES data/tessaline-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tessaline.xml)
