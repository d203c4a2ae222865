# What a user unzips into the host: the two plug-ins in the host's Modules
# folder and a short text on where the rest goes. `cmake --install` puts them
# under the install prefix; `cpack` (ZIP) packs the same files, with no top
# folder, so that the archive unzips straight into the host's folder.
install(TARGETS Tarvik Olumbra
        RUNTIME DESTINATION Modules
        LIBRARY DESTINATION Modules)

# The text is read on Windows: CRLF line ends there.
if(WIN32)
    set(text_newlines CRLF)
else()
    set(text_newlines UNIX)
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt
               ${PROJECT_BINARY_DIR}/packaging/Tarvik-Olumbra-README.txt
               @ONLY NEWLINE_STYLE ${text_newlines})
install(FILES ${PROJECT_BINARY_DIR}/packaging/Tarvik-Olumbra-README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tarvik-Olumbra)
set(CPACK_PACKAGE_VENDOR "Velmora add-on developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tarvik and Olumbra aircraft plug-ins for Velmora")
if(WIN32)
    set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
