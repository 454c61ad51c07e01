# Refreshes the desktop's caches of the share folder TESSALINE_DATA after files were installed
# or removed: the MIME database, the desktop entries' MIME cache and, where the icon theme keeps
# one, its icon cache. A tool that is missing is skipped.
find_program(update_mime update-mime-database)
find_program(update_desktop update-desktop-database)
find_program(update_icons gtk-update-icon-cache)
if(update_mime AND IS_DIRECTORY "${TESSALINE_DATA}/mime/packages")
    execute_process(COMMAND "${update_mime}" "${TESSALINE_DATA}/mime")
endif()
file(GLOB entries "${TESSALINE_DATA}/applications/*.desktop")
if(update_desktop AND (entries OR EXISTS "${TESSALINE_DATA}/applications/mimeinfo.cache"))
    execute_process(COMMAND "${update_desktop}" -q "${TESSALINE_DATA}/applications")
endif()
set(theme "${TESSALINE_DATA}/icons/hicolor")
if(update_icons AND (EXISTS "${theme}/index.theme" OR EXISTS "${theme}/icon-theme.cache"))
    execute_process(COMMAND "${update_icons}" -q -t -f "${theme}")
endif()
