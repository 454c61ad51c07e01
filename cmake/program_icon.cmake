# The program's own icon, painted at build time: build/tessaline.ico beside the program (its
# window icon and an entry of the list of well-known files) and the icon theme's PNGs.
add_executable(tessaline_icongen tools/icongen/icongen.cpp)
target_link_libraries(tessaline_icongen PRIVATE tessaline_icons Qt6::Gui)

set(TESSALINE_ICON_FILE ${CMAKE_BINARY_DIR}/tessaline.ico)
set(TESSALINE_ICON_THEME ${CMAKE_BINARY_DIR}/icons/hicolor)
add_custom_command(
    OUTPUT ${TESSALINE_ICON_FILE} ${TESSALINE_ICON_THEME}/256x256/apps/tessaline.png
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:tessaline_icongen> ${TESSALINE_ICON_FILE} ${TESSALINE_ICON_THEME}
    DEPENDS tessaline_icongen
    COMMENT "Painting the program's icon")
add_custom_target(tessaline_program_icon ALL DEPENDS ${TESSALINE_ICON_FILE})
add_dependencies(tessaline tessaline_program_icon)
